#include "board/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <toml++/toml.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <system_error>
#include <utility>

#include "board/bench_profile.h"
#include "board/file_driver_profile.h"
#include "board/profile_file.h"
#include "platform/linux/file_calls.h"
#include "platform/linux/regular_file.h"
#include "platform/linux/toml_fields.h"
#include "platform/linux/toml_keys.h"
#include "platform/terminal/code_page.h"
#include "sim/eas_channels.h"
#include "sim/sandbox.h"

namespace board {

namespace {

using platform::ReadTomlKeys;
using platform::TomlInteger;
using platform::TomlIntegerIn;
using platform::TomlKey;
using platform::TomlKeyForm;
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

// The words for a setting the profile does not know; `section` is the dotted prefix of the
// section it stands in ("log."), empty at the top.
auto UnknownSetting(std::string section) {
  return [section = std::move(section)](std::string_view key, const std::string& known) {
    return "unknown setting " + Quoted(section + std::string(key)) + " (known: " + known + ")";
  };
}

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

  BoardSettings Read() {
    return platform::ReadTomlText<BoardError>(text_, name_, [this](const toml::table& root) {
      ReadSettings(root);
      return settings_;
    });
  }

 private:
  // How one setting is read into the settings.
  using SettingReader = void (ProfileReader::*)(const toml::node&);

  void ReadSettings(const toml::table& root) {
    static constexpr auto kSettings = std::to_array<TomlKey<SettingReader>>({
        {"ansi_code_page", &ProfileReader::ReadCodePage},
        {"debug_port", &ProfileReader::ReadDebugPort},
        {"edit_control_capacity", &ProfileReader::ReadEditControlCapacity},
        {"restart", &ProfileReader::ReadRestart},
        {"restart_timeout_s", &ProfileReader::ReadRestartTimeout},
        {"volumes", &ProfileReader::ReadVolumes, TomlKeyForm::kSection},
        {"drivers", &ProfileReader::ReadDrivers, TomlKeyForm::kSection},
        {"serial", &ProfileReader::ReadSerialPorts, TomlKeyForm::kSection},
        {"log", &ProfileReader::ReadLog, TomlKeyForm::kSection},
        {"bench", &ProfileReader::ReadBench, TomlKeyForm::kSection},
    });
    ReadTomlKeys(root, kSettings, UnknownSetting(""), *this);
  }

  void ReadCodePage(const toml::node& node) {
    const std::int64_t code_page = TomlInteger(node, "ansi_code_page");
    if (code_page < 1 || code_page > 65535) {
      Fail(node.source(),
           "ansi_code_page must be a code page from 1 to 65535, not " + std::to_string(code_page));
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
      Fail(node.source(),
           "debug_port: the folder " + file.parent_path().string() + " does not exist");
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
      settings_.volumes[name] =
          text == kAbsent
              ? VolumeSetting{VolumePlacement::kAbsent, {}}
              : VolumeSetting{VolumePlacement::kFolder, ExistingFolder(value, setting, text)};
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
      if (const toml::table* table = value.as_table(); table != nullptr && IsFilesDriver(*table)) {
        driver.placement = DriverPlacement::kFiles;
        driver.files = ReadFileDriver(
            *table, name, setting, [this](const toml::node& path, const std::string& path_setting) {
              return HostPath(path, path_setting, TomlString(path, path_setting, "a path"));
            });
      } else if (table != nullptr) {
        ReadDriverTable(*table, name, setting, driver);
      } else {
        driver.placement = ReadPlacement(value, setting);
      }
      settings_.drivers[name] = driver;
    }
  }

  static bool IsFilesDriver(const toml::table& table) {
    const toml::node* driver = table.get("driver");
    return driver != nullptr && driver->value<std::string>() == kFilesDriver;
  }

  // A driver's table as it is read: the setting that names it ("drivers.EAS1") and what it
  // says so far.
  struct DriverTable {
    const std::string& setting;
    DriverSetting& driver;
    const toml::node* channels = nullptr;
  };
  using DriverTableReader = void (ProfileReader::*)(DriverTable&, const toml::node&);

  // The table form: driver = "sim" or "absent" (sim when left out), and for EAS1 its channels.
  void ReadDriverTable(const toml::table& table, std::string_view name, const std::string& setting,
                       DriverSetting& driver) {
    static constexpr auto kSettings = std::to_array<TomlKey<DriverTableReader>>({
        {"driver", &ProfileReader::ReadDriverPlacement},
        {"eas_channels", &ProfileReader::KeepEasChannels},
    });
    DriverTable read{setting, driver};
    ReadTomlKeys(table, kSettings, UnknownSetting(setting + "."), *this, read);
    if (read.channels == nullptr) return;
    if (name != "EAS1") Fail(read.channels->source(), "eas_channels belongs to drivers.EAS1 only");
    if (driver.placement == DriverPlacement::kAbsent) {
      Fail(read.channels->source(), "an absent " + std::string(name) + " has no eas_channels");
    }
    driver.eas_channels = sim::ReadEasChannels(*read.channels, setting + ".eas_channels");
  }

  void ReadDriverPlacement(DriverTable& read, const toml::node& node) {
    read.driver.placement = ReadPlacement(node, read.setting + ".driver");
  }

  // Read once the placement is known, wherever that stands in the table.
  void KeepEasChannels(DriverTable& read, const toml::node& node) { read.channels = &node; }

  DriverPlacement ReadPlacement(const toml::node& node, const std::string& setting) {
    const std::string& text = TomlString(node, setting, "\"sim\", \"absent\" or a table");
    if (text == kSimulated) return DriverPlacement::kSimulated;
    if (text == kAbsent) return DriverPlacement::kAbsent;
    if (text == kFilesDriver) {
      Fail(node.source(), setting + ": a driver of files needs a table that names its files, "
                                    "with driver = \"files\"");
    }
    Fail(node.source(), setting + " must be \"sim\" or \"absent\", not " + Quoted(text));
  }

  void ReadSerialPorts(const toml::node& node) {
    // Any other text names a device.
    static constexpr auto kNamedPlacements =
        std::to_array<std::pair<std::string_view, SerialPlacement>>({
            {kSimulated, SerialPlacement::kSimulated},
            {kLoopback, SerialPlacement::kLoopback},
            {kModem, SerialPlacement::kModem},
            {kAbsent, SerialPlacement::kAbsent},
        });
    for (const auto& [key, value] : TomlTable(node, "serial")) {
      const std::string name(key.str());
      if (!Contains(kSerialPortNames, name)) {
        Fail(key.source(),
             "unknown serial port " + Quoted(name) + " (known: " + Listed(kSerialPortNames) + ")");
      }
      const std::string setting = "serial." + name;
      const std::string& text =
          TomlString(value, setting, "\"sim\", \"loopback\", \"modem\", \"absent\" or a device");
      const auto named =
          std::find_if(kNamedPlacements.begin(), kNamedPlacements.end(),
                       [&](const auto& placement) { return placement.first == text; });
      settings_.serial_ports[name] =
          named != kNamedPlacements.end()
              ? SerialSetting{named->second, {}}
              : SerialSetting{SerialPlacement::kDevice, CharacterDevice(value, setting, text)};
    }
  }

  void ReadBench(const toml::node& node) { settings_.bench = ReadBenchProfile(node); }

  void ReadLog(const toml::node& node) {
    static constexpr auto kSettings = std::to_array<TomlKey<SettingReader>>({
        {"folder", &ProfileReader::ReadLogFolder},
        {"max_file_bytes", &ProfileReader::ReadLogFileBytes},
        {"max_files", &ProfileReader::ReadLogFiles},
    });
    ReadTomlKeys(TomlTable(node, "log"), kSettings, UnknownSetting("log."), *this);
  }

  // The folder need not exist yet: the record makes it, and a folder that is not there while the
  // console runs (a card not yet in) is waited for rather than refused.
  void ReadLogFolder(const toml::node& node) {
    settings_.log.folder = HostPath(node, "log.folder", TomlString(node, "log.folder", "a folder"));
  }

  void ReadLogFileBytes(const toml::node& node) {
    settings_.log.max_file_bytes = static_cast<std::size_t>(
        TomlIntegerIn(node, "log.max_file_bytes", kLeastLogFileBytes, kMostLogFileBytes));
  }

  void ReadLogFiles(const toml::node& node) {
    settings_.log.max_files =
        static_cast<std::size_t>(TomlIntegerIn(node, "log.max_files", 1, kMostLogFiles));
  }

  // A device must be there when the board is built: a missing adapter or a mistyped name is
  // better heard of now than as a port that will not open.
  std::filesystem::path CharacterDevice(const toml::node& node, const std::string& setting,
                                        const std::string& text) const {
    std::filesystem::path device = HostPath(node, setting, text);
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
    std::filesystem::path folder = HostPath(node, setting, text);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
      Fail(node.source(),
           setting + ": " + folder.string() +
               (std::filesystem::exists(folder, error) ? " is not a folder" : " does not exist"));
    }
    return folder;
  }

  // Relative paths are the profile's own: a profile can travel with the folders it names.
  std::filesystem::path HostPath(const toml::node& node, const std::string& setting,
                                 const std::string& text) const {
    if (text.empty()) Fail(node.source(), setting + " must not be empty");
    return (folder_ / text).lexically_normal();
  }

  // ReadTomlText tells it with the profile's name and the line.
  [[noreturn]] void Fail(const toml::source_region& where, const std::string& what) const {
    throw platform::TomlSettingError(where, what);
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
