#include "board/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <toml++/toml.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>
#include <system_error>
#include <utility>

#include "board/profile_file.h"
#include "platform/linux/file_calls.h"
#include "platform/linux/regular_file.h"
#include "platform/linux/toml_fields.h"
#include "platform/terminal/code_page.h"
#include "sim/eas_channels.h"
#include "sim/sandbox.h"

namespace board {

namespace {

using platform::TomlInteger;
using platform::TomlIntegerIn;
using platform::TomlString;
using platform::TomlTable;

constexpr std::string_view kAbsent = "absent";
constexpr std::string_view kLoopback = "loopback";
constexpr std::string_view kModem = "modem";
constexpr std::string_view kRestartInPlace = "in place";
constexpr std::string_view kRestartReboot = "reboot";
constexpr std::string_view kSimulated = "sim";
constexpr std::string_view kStandardError = "stderr";

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string Listed(std::span<const std::string_view> names) {
  std::string list;
  for (std::string_view name : names) list += (list.empty() ? "" : ", ") + std::string(name);
  return list;
}

bool Contains(std::span<const std::string_view> names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Asked of the very conversions the console will make, in both directions.
bool CodePageConvertible(UINT code_page) {
  return MultiByteToWideChar(code_page, 0, "A", 1, nullptr, 0) == 1 &&
         WideCharToMultiByte(code_page, 0, L"A", 1, nullptr, 0, nullptr, nullptr) == 1;
}

class ProfileReader {
 public:
  ProfileReader(std::string_view text, std::string name_for_errors, std::filesystem::path folder)
      : text_(text), name_(std::move(name_for_errors)), folder_(std::move(folder)) {}

  // A setting of the wrong kind is told as any other fault, with the profile's name and line.
  BoardSettings Read() {
    try {
      return ReadSettings();
    } catch (const platform::TomlSettingError& error) {
      Fail(error.Where(), error.what());
    }
  }

 private:
  BoardSettings ReadSettings() {
    for (const auto& [key, node] : Parse()) {
      const std::string_view name = key.str();
      if (name == "ansi_code_page") {
        ReadCodePage(node);
      } else if (name == "debug_port") {
        ReadDebugPort(node);
      } else if (name == "edit_control_capacity") {
        ReadEditControlCapacity(node);
      } else if (name == "restart") {
        ReadRestart(node);
      } else if (name == "restart_timeout_s") {
        ReadRestartTimeout(node);
      } else if (name == "volumes") {
        ReadVolumes(node);
      } else if (name == "drivers") {
        ReadDrivers(node);
      } else if (name == "serial") {
        ReadSerialPorts(node);
      } else if (name == "log") {
        ReadLog(node);
      } else {
        Fail(key.source(), "unknown setting " + Quoted(name) +
                               " (known: ansi_code_page, debug_port, edit_control_capacity, "
                               "restart, restart_timeout_s, [volumes], [drivers], [serial], "
                               "[log])");
      }
    }
    return settings_;
  }

  toml::table Parse() const {
    try {
      return toml::parse(text_, name_);
    } catch (const toml::parse_error& parse_error) {
      Fail(parse_error.source(), std::string(parse_error.description()));
    }
  }

  void ReadCodePage(const toml::node& node) {
    const std::int64_t code_page = TomlInteger(node, "ansi_code_page");
    if (code_page < 1 || code_page > 65535) {
      Fail(node.source(), "ansi_code_page must be a code page from 1 to 65535, not " +
                              std::to_string(code_page));
    }
    if (!CodePageConvertible(static_cast<UINT>(code_page))) {
      Fail(node.source(), "ansi_code_page " + std::to_string(code_page) +
                              ": this machine has no converter for that code page");
    }
    settings_.ansi_code_page = static_cast<UINT>(code_page);
  }

  void ReadEditControlCapacity(const toml::node& node) {
    const std::int64_t capacity = TomlInteger(node, "edit_control_capacity");
    if (capacity < kLeastEditControlCapacity || capacity > kMostEditControlCapacity) {
      Fail(node.source(), "edit_control_capacity must be from " +
                              std::to_string(kLeastEditControlCapacity) + " to " +
                              std::to_string(kMostEditControlCapacity) + " characters, not " +
                              std::to_string(capacity));
    }
    settings_.edit_control_capacity = static_cast<std::size_t>(capacity);
  }

  void ReadRestart(const toml::node& node) {
    constexpr std::string_view kExpected = "\"in place\", \"reboot\" or a command as a list";
    if (const toml::array* list = node.as_array()) {
      if (list->empty()) Fail(node.source(), "restart: the command must not be empty");
      std::vector<std::string> command;
      for (const toml::node& element : *list) {
        command.push_back(TomlString(element, "restart: every word of the command"));
      }
      if (command.front().empty()) Fail(node.source(), "restart: the program must not be empty");
      settings_.restart.kind = RestartKind::kCommand;
      settings_.restart.command = std::move(command);
      return;
    }
    const std::string& text = TomlString(node, "restart", kExpected);
    if (text == kRestartInPlace) {
      settings_.restart.kind = RestartKind::kInPlace;
    } else if (text == kRestartReboot) {
      settings_.restart.kind = RestartKind::kReboot;
    } else {
      Fail(node.source(), "restart must be " + std::string(kExpected) + ", not " + Quoted(text));
    }
  }

  void ReadRestartTimeout(const toml::node& node) {
    settings_.restart.command_timeout = std::chrono::seconds(TomlIntegerIn(
        node, "restart_timeout_s", kLeastRestartTimeoutSeconds, kMostRestartTimeoutSeconds));
  }

  void ReadDebugPort(const toml::node& node) {
    const std::string& text = TomlString(node, "debug_port", "a file or \"stderr\"");
    if (text == kStandardError) {
      settings_.debug_port = {DebugPortTarget::kStandardError, {}};
      return;
    }
    const std::filesystem::path file = HostPath(node, "debug_port", text);
    // A FIFO is a debug port for as long as someone reads it, which start-up finds out; anything
    // else but a file is a mistake in the profile.
    struct stat status {};
    if (platform::posix::LinkStatusAt(AT_FDCWD, file.c_str(), &status).ok() &&
        !S_ISREG(status.st_mode) && !S_ISFIFO(status.st_mode)) {
      Fail(node.source(), "debug_port: " + file.string() + " is " +
                              platform::posix::KindOfFile(status.st_mode) + ", not a file");
    }
    std::error_code error;
    if (!std::filesystem::is_directory(file.parent_path(), error)) {
      Fail(node.source(), "debug_port: the folder " + file.parent_path().string() +
                              " does not exist");
    }
    settings_.debug_port = {DebugPortTarget::kFile, file};
  }

  void ReadVolumes(const toml::node& node) {
    for (const auto& [key, value] : TomlTable(node, "volumes")) {
      const std::string name(key.str());
      if (!Contains(sim::kVolumeNames, name)) {
        Fail(key.source(),
             "unknown volume " + Quoted(name) + " (known: " + Listed(sim::kVolumeNames) + ")");
      }
      const std::string setting = "volumes." + name;
      const std::string& text = TomlString(value, setting, "a folder or \"absent\"");
      settings_.volumes[name] = text == kAbsent
                                    ? VolumeSetting{VolumePlacement::kAbsent, {}}
                                    : VolumeSetting{VolumePlacement::kFolder,
                                                    ExistingFolder(value, setting, text)};
    }
  }

  void ReadDrivers(const toml::node& node) {
    for (const auto& [key, value] : TomlTable(node, "drivers")) {
      const std::string name(key.str());
      if (!Contains(kDriverNames, name)) {
        Fail(key.source(),
             "unknown driver " + Quoted(name) + " (known: " + Listed(kDriverNames) + ")");
      }
      const std::string setting = "drivers." + name;
      DriverSetting driver;
      if (const toml::table* table = value.as_table()) {
        ReadDriverTable(*table, name, setting, driver);
      } else {
        driver.placement = ReadPlacement(value, setting);
      }
      settings_.drivers[name] = driver;
    }
  }

  // The table form: driver = "sim" or "absent" (sim when left out), and for EAS1 its channels.
  void ReadDriverTable(const toml::table& table, std::string_view name, const std::string& setting,
                       DriverSetting& driver) {
    const toml::node* channels = nullptr;
    for (const auto& [key, value] : table) {
      if (key.str() == "driver") {
        driver.placement = ReadPlacement(value, setting + ".driver");
      } else if (key.str() == "eas_channels") {
        channels = &value;
      } else {
        Fail(key.source(), "unknown setting " + Quoted(setting + "." + std::string(key.str())) +
                               " (known: driver, eas_channels)");
      }
    }
    if (channels == nullptr) return;
    if (name != "EAS1") Fail(channels->source(), "eas_channels belongs to drivers.EAS1 only");
    if (driver.placement == DriverPlacement::kAbsent) {
      Fail(channels->source(), "an absent " + std::string(name) + " has no eas_channels");
    }
    driver.eas_channels = sim::ReadEasChannels(*channels, setting + ".eas_channels");
  }

  DriverPlacement ReadPlacement(const toml::node& node, const std::string& setting) {
    const std::string& text = TomlString(node, setting, "\"sim\", \"absent\" or a table");
    if (text == kSimulated) return DriverPlacement::kSimulated;
    if (text == kAbsent) return DriverPlacement::kAbsent;
    Fail(node.source(), setting + " must be \"sim\" or \"absent\", not " + Quoted(text));
  }

  void ReadSerialPorts(const toml::node& node) {
    for (const auto& [key, value] : TomlTable(node, "serial")) {
      const std::string name(key.str());
      if (!Contains(kSerialPortNames, name)) {
        Fail(key.source(), "unknown serial port " + Quoted(name) +
                               " (known: " + Listed(kSerialPortNames) + ")");
      }
      const std::string setting = "serial." + name;
      const std::string& text = TomlString(
          value, setting, "\"sim\", \"loopback\", \"modem\", \"absent\" or a device");
      if (text == kSimulated) {
        settings_.serial_ports[name] = {SerialPlacement::kSimulated, {}};
      } else if (text == kLoopback) {
        settings_.serial_ports[name] = {SerialPlacement::kLoopback, {}};
      } else if (text == kModem) {
        settings_.serial_ports[name] = {SerialPlacement::kModem, {}};
      } else if (text == kAbsent) {
        settings_.serial_ports[name] = {SerialPlacement::kAbsent, {}};
      } else {
        settings_.serial_ports[name] = {SerialPlacement::kDevice,
                                        CharacterDevice(value, setting, text)};
      }
    }
  }

  // The folder need not exist yet: the record makes it, and a folder that is not there while the
  // console runs (a card not yet in) is waited for rather than refused.
  void ReadLog(const toml::node& node) {
    for (const auto& [key, value] : TomlTable(node, "log")) {
      const std::string_view name = key.str();
      if (name == "folder") {
        settings_.log.folder =
            HostPath(value, "log.folder", TomlString(value, "log.folder", "a folder"));
      } else if (name == "max_file_bytes") {
        settings_.log.max_file_bytes = static_cast<std::size_t>(
            TomlIntegerIn(value, "log.max_file_bytes", kLeastLogFileBytes, kMostLogFileBytes));
      } else if (name == "max_files") {
        settings_.log.max_files =
            static_cast<std::size_t>(TomlIntegerIn(value, "log.max_files", 1, kMostLogFiles));
      } else {
        Fail(key.source(), "unknown setting " + Quoted("log." + std::string(name)) +
                               " (known: folder, max_file_bytes, max_files)");
      }
    }
  }

  // A device must be there when the board is built: a missing adapter or a mistyped name is
  // better heard of now than as a port that will not open.
  std::filesystem::path CharacterDevice(const toml::node& node, const std::string& setting,
                                        const std::string& text) const {
    const std::filesystem::path device = HostPath(node, setting, text);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(device, error);
    if (status.type() == std::filesystem::file_type::not_found) {
      Fail(node.source(), setting + ": " + device.string() + " does not exist");
    }
    if (error) Fail(node.source(), setting + ": " + device.string() + ": " + error.message());
    if (!std::filesystem::is_character_file(status)) {
      Fail(node.source(), setting + ": " + device.string() + " is not a character device");
    }
    return device;
  }

  std::filesystem::path ExistingFolder(const toml::node& node, const std::string& setting,
                                       const std::string& text) const {
    const std::filesystem::path folder = HostPath(node, setting, text);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
      Fail(node.source(), setting + ": " + folder.string() +
                              (std::filesystem::exists(folder, error) ? " is not a folder"
                                                                      : " does not exist"));
    }
    return folder;
  }

  // Relative paths are the profile's own: a profile can travel with the folders it names.
  std::filesystem::path HostPath(const toml::node& node, const std::string& setting,
                                 const std::string& text) const {
    if (text.empty()) Fail(node.source(), setting + " must not be empty");
    return (folder_ / text).lexically_normal();
  }

  [[noreturn]] void Fail(const toml::source_region& where, const std::string& what) const {
    throw BoardError(name_ + ":" + std::to_string(where.begin.line) + ": " + what);
  }

  const std::string_view text_;
  const std::string name_;
  const std::filesystem::path folder_;
  BoardSettings settings_;
};

}  // namespace

VolumeSetting BoardSettings::Volume(std::string_view name) const {
  const auto found = volumes.find(name);
  return found == volumes.end() ? VolumeSetting{} : found->second;
}

DriverSetting BoardSettings::Driver(std::string_view name) const {
  const auto found = drivers.find(name);
  return found == drivers.end() ? DriverSetting{} : found->second;
}

SerialSetting BoardSettings::SerialPort(std::string_view name) const {
  const auto found = serial_ports.find(name);
  if (found != serial_ports.end()) return found->second;
  return {name == kModemPortName ? SerialPlacement::kModem : SerialPlacement::kSimulated, {}};
}

BoardSettings ReadProfileText(std::string_view text, const std::string& name_for_errors,
                              const std::filesystem::path& folder) {
  return ProfileReader(text, name_for_errors, folder).Read();
}

BoardSettings ReadProfile(const std::filesystem::path& file) {
  return ReadProfileText(ReadProfileFile(file), file.string(),
                         std::filesystem::absolute(file).parent_path());
}

}  // namespace board
