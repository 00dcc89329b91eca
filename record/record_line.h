// One line of a session record read back (the format is in line_format.h): the fields every line
// has, and what replaying a run needs of the rest: a serial block's port and bytes, and how many
// events a `lost` line counts. A record file is outside input (copied from a terminal in the
// field, edited by hand), so a line is either taken whole or refused with the reason, never half
// read. A block's hex is its bytes; its text, when present, must say the same bytes.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "platform/ports/session_events.h"

namespace record {

// A block holds what one read or write moved: 64 KiB is far beyond what the console moves at once.
inline constexpr std::uint64_t kMostBlockBytes = 64 * 1024;

struct RecordedBlock {
  std::string port;  // COM1 to COM99
  platform::SerialDirection direction = platform::SerialDirection::kReceived;
  std::string bytes;
};

struct RecordedLine {
  std::chrono::microseconds monotonic{0};  // the monotonic clock when it happened
  std::uint64_t sequence = 0;
  std::string kind;
  std::optional<RecordedBlock> block;        // rx and tx lines
  std::optional<std::uint64_t> lost_events;  // lost lines
};

// Why a line was refused.
struct LineFault {
  std::string what;
};

// `line` without its newline. Kinds other than those above are taken with their common fields
// alone, so that a record with kinds added later still reads.
std::variant<RecordedLine, LineFault> ParseRecordLine(std::string_view line);

}  // namespace record
