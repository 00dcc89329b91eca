#include "board/file_driver_profile.h"

#include <linux/input.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <system_error>

#include "board_io/value_text.h"
#include "platform/linux/regular_file.h"
#include "platform/linux/toml_fields.h"
#include "platform/linux/toml_keys.h"
#include "platform/terminal/vehicle_io_codes.h"

namespace board {

namespace {

using platform::TomlKey;
using platform::TomlSettingError;

// The lines of ETC1: by code; 7001 carries the pair 7001/7002.
constexpr std::array<DWORD, 7> kEtcLineCodes{
    IOCTL_ETC_POWER_OFF_LINE, IOCTL_ETC_POWER_ON_LINE, IOCTL_ETC_LINE_9121, IOCTL_ETC_LINE_9010,
    IOCTL_ETC_MODEM_START,    IOCTL_ETC_MODEM_POWER,   IOCTL_ETC_PAIR_OFF};
constexpr std::size_t kMostLevelTextBytes = 64;
constexpr std::int64_t kMostPollMilliseconds = 10'000;
constexpr std::int64_t kMostDebounceMilliseconds = 10'000;

auto UnknownIn(const std::string& setting) {
  return [setting](std::string_view key, const std::string& known) {
    return "unknown setting \"" + setting + "." + std::string(key) + "\" (known: " + known + ")";
  };
}

bool Flag(const toml::node& node, const std::string& setting) {
  const auto* flag = node.as_boolean();
  if (flag == nullptr) platform::FailTomlType(node, setting, "true or false");
  return flag->get();
}

// The path must name something of a kind `is_kind` takes (links followed), `kind` in words.
std::filesystem::path ExistingPath(const toml::node& node, const std::string& setting,
                                   const HostPathOf& host_path, bool (*is_kind)(mode_t),
                                   std::string_view kind) {
  std::filesystem::path path = host_path(node, setting);
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    const int error = errno;
    throw TomlSettingError(
        node.source(),
        setting + ": " + path.string() +
            (error == ENOENT ? " does not exist" : ": " + std::generic_category().message(error)));
  }
  if (!is_kind(status.st_mode)) {
    throw TomlSettingError(node.source(), setting + ": " + path.string() + " is " +
                                              platform::posix::KindOfFile(status.st_mode) +
                                              ", not " + std::string(kind));
  }
  return path;
}

bool IsRegular(mode_t mode) { return S_ISREG(mode); }
bool IsInputDevice(mode_t mode) { return S_ISCHR(mode) || S_ISFIFO(mode); }

std::filesystem::path ValueFilePath(const toml::node& node, const std::string& setting,
                                    const HostPathOf& host_path) {
  return ExistingPath(node, setting, host_path, IsRegular, "a value file");
}

// A line's table (or just its file's path) as it is read.
struct LineRead {
  const std::string& setting;
  const HostPathOf& host_path;
  board_io::OutputFile line;
  bool file_given = false;
  bool on_exit_given = false;
  std::optional<std::uint16_t> switch_code;
};

std::string LevelText(const toml::node& node, const std::string& setting) {
  std::string text = platform::TomlString(node, setting);
  if (text.find_first_not_of(" \t\r\n") == std::string::npos || text.size() > kMostLevelTextBytes ||
      text.find('\0') != std::string::npos) {
    throw TomlSettingError(node.source(), setting + " must be a text of 1 to " +
                                              std::to_string(kMostLevelTextBytes) +
                                              " bytes, not blank");
  }
  return text;
}

constexpr auto kLineKeys = std::to_array<TomlKey<void (*)(LineRead&, const toml::node&)>>({
    {"file",
     [](LineRead& read, const toml::node& node) {
       read.line.value.file = ValueFilePath(node, read.setting + ".file", read.host_path);
       read.file_given = true;
     }},
    {"on",
     [](LineRead& read, const toml::node& node) {
       read.line.value.on_text = LevelText(node, read.setting + ".on");
     }},
    {"off",
     [](LineRead& read, const toml::node& node) {
       read.line.value.off_text = LevelText(node, read.setting + ".off");
     }},
    {"active_low",
     [](LineRead& read, const toml::node& node) {
       read.line.value.active_low = Flag(node, read.setting + ".active_low");
     }},
    {"on_exit",
     [](LineRead& read, const toml::node& node) {
       const std::string& text = platform::TomlString(node, read.setting + ".on_exit");
       static constexpr std::array<std::pair<std::string_view, board_io::OnExit>, 3> kChoices{
           {{"keep", board_io::OnExit::kKeep},
            {"on", board_io::OnExit::kOn},
            {"off", board_io::OnExit::kOff}}};
       const auto* choice = std::find_if(kChoices.begin(), kChoices.end(),
                                         [&](const auto& named) { return named.first == text; });
       if (choice == kChoices.end()) {
         throw TomlSettingError(node.source(), read.setting +
                                                   ".on_exit must be \"keep\", \"on\" or "
                                                   "\"off\", not \"" +
                                                   text + "\"");
       }
       read.line.on_exit = choice->second;
       read.on_exit_given = true;
     }},
    {"switch",
     [](LineRead& read, const toml::node& node) {
       read.switch_code =
           static_cast<std::uint16_t>(platform::TomlIntegerIn(node, read.setting + ".switch", 0,
                                                              SW_MAX));
     }},
});

// What a line is: an output, a meter input from a value file, or one from the input device.
enum class LineUse { kOutput, kFileInput, kSwitchInput };

LineRead ReadLine(const toml::node& node, const std::string& setting, LineUse use,
                  const HostPathOf& host_path) {
  LineRead read{setting, host_path, {}, false, false, std::nullopt};
  if (node.is_string()) {
    platform::FindTomlKey(kLineKeys, "file")->how(read, node);
  } else {
    platform::ReadTomlKeys(platform::TomlTable(node, setting), kLineKeys, UnknownIn(setting), read);
  }
  const auto fail = [&](const std::string& what) {
    throw TomlSettingError(node.source(), setting + " " + what);
  };
  if (use == LineUse::kSwitchInput) {
    if (read.file_given) fail("comes from the input device, not a file");
    if (!read.switch_code) fail("needs the switch that carries it: switch = N (an EV_SW code)");
  } else {
    if (!read.file_given) fail("needs its file: file = PATH");
    if (read.switch_code) fail("is a file: a switch belongs to an input of the input device");
  }
  if (read.on_exit_given && use != LineUse::kOutput) fail("is an input: on_exit is for outputs");
  const board_io::ValueFile& value = read.line.value;
  if (board_io::ParseLevel(value.off_text, value.on_text, value.off_text) != false) {
    fail("must have different texts for on and off");
  }
  return read;
}

board_io::OutputFiles ReadEtcLines(const toml::table& table, const std::string& setting,
                                   const HostPathOf& host_path) {
  board_io::OutputFiles lines;
  for (const auto& [key, value] : table) {
    const std::string_view name = key.str();
    if (name == "driver") continue;
    const auto code = std::find_if(kEtcLineCodes.begin(), kEtcLineCodes.end(),
                                   [&](DWORD known) { return std::to_string(known) == name; });
    if (code == kEtcLineCodes.end()) {
      throw TomlSettingError(key.source(),
                             "unknown line \"" + setting + "." + std::string(name) +
                                 "\" (known: 9119, 9120, 9121, 9010, 9124, 9125, 7001; 7002 "
                                 "switches the line of 7001 on)");
    }
    const std::string line_setting = setting + "." + std::string(name);
    lines[*code] = ReadLine(value, line_setting, LineUse::kOutput, host_path).line;
  }
  return lines;
}

// MTR1:'s table as it is read.
struct MeterRead {
  const std::string& setting;
  const HostPathOf& host_path;
  board_io::FileDriverSetting driver;
  board_io::MeterInputs inputs;
  const toml::node* reservation_in = nullptr;  // read once input_device is known
  const toml::node* boarding_in = nullptr;
};

void ReadMeterOutput(MeterRead& read, DWORD code, const toml::node& node, std::string_view key) {
  read.driver.outputs[code] =
      ReadLine(node, read.setting + "." + std::string(key), LineUse::kOutput, read.host_path).line;
}

constexpr auto kMeterKeys = std::to_array<TomlKey<void (*)(MeterRead&, const toml::node&)>>({
    {"driver", [](MeterRead&, const toml::node&) {}},
    {"boarding",
     [](MeterRead& read, const toml::node& node) {
       ReadMeterOutput(read, IOCTL_MTR_BOARDING, node, "boarding");
     }},
    {"reservation",
     [](MeterRead& read, const toml::node& node) {
       ReadMeterOutput(read, IOCTL_MTR_RESERVATION, node, "reservation");
     }},
    {"reservation_in", [](MeterRead& read, const toml::node& node) { read.reservation_in = &node; }},
    {"boarding_in", [](MeterRead& read, const toml::node& node) { read.boarding_in = &node; }},
    {"input_device",
     [](MeterRead& read, const toml::node& node) {
       read.inputs.input_device = ExistingPath(node, read.setting + ".input_device",
                                               read.host_path, IsInputDevice,
                                               "an input device (or a FIFO)");
     }},
    {"poll_ms",
     [](MeterRead& read, const toml::node& node) {
       read.inputs.poll_period = std::chrono::milliseconds(
           platform::TomlIntegerIn(node, read.setting + ".poll_ms", 1, kMostPollMilliseconds));
     }},
    {"debounce_ms",
     [](MeterRead& read, const toml::node& node) {
       read.inputs.debounce = std::chrono::milliseconds(platform::TomlIntegerIn(
           node, read.setting + ".debounce_ms", 0, kMostDebounceMilliseconds));
     }},
});

board_io::FileDriverSetting ReadMeter(const toml::table& table, const std::string& setting,
                                      const HostPathOf& host_path) {
  MeterRead read{setting, host_path, {}, {}, nullptr, nullptr};
  platform::ReadTomlKeys(table, kMeterKeys, UnknownIn(setting), read);
  if (read.reservation_in == nullptr && read.boarding_in == nullptr) {
    if (!read.inputs.input_device.empty()) {
      throw TomlSettingError(table.source(), setting + ".input_device carries no input: give "
                                                       "reservation_in and boarding_in");
    }
    return read.driver;
  }
  if (read.reservation_in == nullptr || read.boarding_in == nullptr) {
    throw TomlSettingError(table.source(), setting + ": the meter side reports both signals; give "
                                                     "both reservation_in and boarding_in");
  }
  const LineUse use =
      read.inputs.input_device.empty() ? LineUse::kFileInput : LineUse::kSwitchInput;
  const auto input = [&](const toml::node* node, std::string_view key) {
    const LineRead line = ReadLine(*node, setting + "." + std::string(key), use, host_path);
    return board_io::InputLine{line.line.value, line.switch_code.value_or(0)};
  };
  read.inputs.reservation = input(read.reservation_in, "reservation_in");
  read.inputs.boarding = input(read.boarding_in, "boarding_in");
  read.driver.meter_inputs = read.inputs;
  return read.driver;
}

board_io::FileDriverSetting ReadEas(const toml::table& table, const std::string& setting,
                                    const HostPathOf& host_path) {
  const toml::node* channels = nullptr;
  for (const auto& [key, value] : table) {
    if (key.str() == "channels") {
      channels = &value;
    } else if (key.str() != "driver") {
      throw TomlSettingError(key.source(), UnknownIn(setting)(key.str(), "driver, channels"));
    }
  }
  const std::string list_setting = setting + ".channels";
  if (channels == nullptr) {
    throw TomlSettingError(table.source(), list_setting + " is missing: twelve channel files");
  }
  const toml::array* list = channels->as_array();
  if (list == nullptr) platform::FailTomlType(*channels, list_setting, "a list of 12 files");
  board_io::FileDriverSetting driver;
  if (list->size() != driver.channels.size()) {
    throw TomlSettingError(
        channels->source(),
        list_setting + " must hold 12 files, one a channel, not " + std::to_string(list->size()));
  }
  for (std::size_t index = 0; index < driver.channels.size(); ++index) {
    driver.channels[index] = ValueFilePath(
        *list->get(index), list_setting + ": channel " + std::to_string(index + 1), host_path);
  }
  return driver;
}

}  // namespace

board_io::FileDriverSetting ReadFileDriver(const toml::table& table, std::string_view name,
                                           const std::string& setting,
                                           const HostPathOf& host_path) {
  if (name == "ETC1") return {ReadEtcLines(table, setting, host_path), std::nullopt, {}};
  if (name == "MTR1") return ReadMeter(table, setting, host_path);
  return ReadEas(table, setting, host_path);
}

}  // namespace board
