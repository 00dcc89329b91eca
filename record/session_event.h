// One event of the session as the record keeps it between the thread it happened on and the
// record's writer: everything copied out of the caller's buffers, with the two clocks read when
// it happened.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/ports/session_events.h"

namespace record {

struct EventTimes {
  std::chrono::system_clock::time_point wall;
  std::chrono::steady_clock::time_point monotonic;  // CLOCK_MONOTONIC

  static EventTimes Now() {
    return {std::chrono::system_clock::now(), std::chrono::steady_clock::now()};
  }
};

struct RecordStarted {
  int pid = 0;
};
struct RecordStopped {};
// Events the record could not keep: its queue was full while the disk stalled, or a write failed.
struct EventsLost {
  std::uint64_t count = 0;
};
struct SerialBlock {
  std::string port;
  platform::SerialDirection direction = platform::SerialDirection::kReceived;
  std::string bytes;
};
struct DriverRequest {
  std::string device;
  std::uint32_t code = 0;
  std::optional<std::string> input;  // nothing for a null buffer
  std::uint32_t input_size = 0;
  std::uint32_t output_size = 0;
  std::optional<std::string> output;  // the bytes returned; nothing for a null buffer
  bool succeeded = false;
  std::uint32_t error = 0;
};
struct PaneText {
  int control_id = 0;
  platform::PaneChange change = platform::PaneChange::kInserted;
  std::u16string text;
};
struct MessageBoxShown {
  std::wstring text;
  std::wstring caption;
  int answer = 0;
};
struct OutsideRequest {
  std::string verb;
  std::vector<std::pair<std::string, std::variant<std::int64_t, std::string>>> arguments;
};

using EventBody = std::variant<RecordStarted, RecordStopped, EventsLost, SerialBlock, DriverRequest,
                               PaneText, MessageBoxShown, OutsideRequest>;

struct Event {
  EventTimes times;
  EventBody body;
};

}  // namespace record
