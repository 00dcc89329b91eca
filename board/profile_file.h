// The bytes of a board profile. A profile is a small text file; a path that names a FIFO, a
// device or something huge would have start-up wait for a writer or read until memory runs
// out, so only a regular file up to kMaxProfileBytes is read, and opening it never waits.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace board {

inline constexpr std::size_t kMaxProfileBytes = 1024 * 1024;

// Throws BoardError as "FILE: what is wrong".
std::string ReadProfileFile(const std::filesystem::path& file);

}  // namespace board
