// The text of the session record between two marks: the lines a phase caused. When the record
// went on to new parts in between, the slice runs through them; a part the record has removed
// since makes the slice gone, never other lines.
#pragma once

#include <optional>
#include <string>

#include "plan/console_link.h"

namespace plan {

// The bytes between `begin` and `end`, or nothing with `error` set when a file they span is gone
// or cannot be read.
std::optional<std::string> ReadRecordSlice(const RecordMark& begin, const RecordMark& end,
                                           std::string& error);

// The monotonic clock of a record line (its second field), in seconds.
std::optional<double> LineMonotonicSeconds(std::string_view line);

}  // namespace plan
