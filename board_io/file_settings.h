// What a board profile says about the files behind a driver's lines on a real board: a value file
// per switched line (a sysfs GPIO `value`, an LED's `brightness`, a regulator's file) with the
// texts that mean on and off, the meter side's two inputs (value files that are polled, or switch
// events of an input device) and the twelve channel files of the EAS (IIO `in_voltageY_raw`).
// Plain settings, read and checked by the board profile, handed to the backends here.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/terminal/win_types.h"

namespace board_io {

// A line's file and how its text reads: `on_text` is the line switched on, `off_text` off; with
// `active_low` the two swap, for a line wired the other way round.
struct ValueFile {
  std::filesystem::path file;
  std::string on_text = "1";
  std::string off_text = "0";
  bool active_low = false;
};

// What an output line is left at when its driver goes (the console ends or restarts in place).
// kKeep leaves it as the last request set it: a modem's power must not drop because the console
// restarted.
enum class OnExit { kKeep, kOn, kOff };

struct OutputFile {
  ValueFile value;
  OnExit on_exit = OnExit::kKeep;
};

// The outputs of a driver, by the control code that sets each (7001 for the pair 7001/7002).
using OutputFiles = std::map<DWORD, OutputFile>;

// One of the meter side's inputs: a value file, or a switch of the input device (an EV_SW code,
// `value.active_low` applying to it as to a file).
struct InputLine {
  ValueFile value;  // its file empty when the line is a switch
  std::uint16_t switch_code = 0;
};

inline constexpr std::chrono::milliseconds kDefaultPollPeriod{50};
inline constexpr std::chrono::milliseconds kDefaultDebounce{30};

// The meter side's report: both inputs from value files, polled every `poll_period`, or both from
// the switch events of `input_device`. A change is reported once it held for `debounce`.
struct MeterInputs {
  std::filesystem::path input_device;  // empty: the inputs are value files
  InputLine reservation;
  InputLine boarding;
  std::chrono::milliseconds poll_period = kDefaultPollPeriod;
  std::chrono::milliseconds debounce = kDefaultDebounce;
};

inline constexpr std::size_t kChannelCount = 12;
using ChannelFiles = std::array<std::filesystem::path, kChannelCount>;

// Everything a driver of files may be given; each driver takes its part.
struct FileDriverSetting {
  OutputFiles outputs;                      // ETC1: its lines; MTR1: 8028 and 8029
  std::optional<MeterInputs> meter_inputs;  // MTR1: only
  ChannelFiles channels;                    // EAS1: only
};

}  // namespace board_io
