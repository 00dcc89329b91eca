// Writes a file whole or not at all: the text goes to a temporary file in the same folder, is
// flushed to the disk, and takes the file's name by a rename, so a run killed halfway leaves
// the old file or none, never half a record.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace plan {

// What went wrong, or nothing.
std::optional<std::string> WriteFileAtomically(const std::filesystem::path& file,
                                               std::string_view text);

}  // namespace plan
