// The board profile's table for a driver of files, [drivers.ETC1] with driver = "files": which
// file stands behind each line, input and channel, and how each reads. Every path is checked
// while the profile is read (a value file or channel file must be a file, the meter's input
// device a character device or a FIFO), so that a mistyped path stops start-up with its line
// rather than failing the first request.
#pragma once

#include <toml++/toml.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "board_io/file_settings.h"

namespace board {

inline constexpr std::string_view kFilesDriver = "files";

// How the profile makes a host path of a path's text, for the setting named: relative to the
// profile's folder.
using HostPathOf =
    std::function<std::filesystem::path(const toml::node& node, const std::string& setting)>;

// The table of driver `name` ("ETC1"), named `setting` ("drivers.ETC1") in messages. Throws
// platform::TomlSettingError.
board_io::FileDriverSetting ReadFileDriver(const toml::table& table, std::string_view name,
                                           const std::string& setting, const HostPathOf& host_path);

}  // namespace board
