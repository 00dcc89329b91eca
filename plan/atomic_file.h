// Writes a new file whole or not at all: the text goes to a temporary file in the same folder,
// is flushed to the disk, and takes the file's name by a link, so a run killed halfway leaves no
// file, never half a report, and a file already there is never replaced.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace plan {

// What went wrong (the name is taken, among others), or nothing.
std::optional<std::string> WriteNewFileWhole(const std::filesystem::path& file,
                                             std::string_view text);

}  // namespace plan
