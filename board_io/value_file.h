// Reading and writing one of a board's files the way every backend here does: a fresh open for
// each access (a sysfs attribute reads its value only from the start of a fresh open), never
// waiting (a FIFO or a device put where a value file should be is refused at once, and a writer
// never holds the console), never more than a value's worth of text read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <variant>

#include "board_io/file_fault.h"
#include "board_io/file_settings.h"

namespace board_io {

// Writes the text for `on` (active_low swapping the texts) over what the file held.
std::optional<FileFault> WriteLevel(const ValueFile& file, bool on);

// The line's level, active_low applied.
std::variant<bool, FileFault> ReadLevel(const ValueFile& file);

std::variant<std::uint32_t, FileFault> ReadChannel(const std::filesystem::path& file);

}  // namespace board_io
