// The terminal's volumes ("\SDMMC\", "\DataStorage\", "\ResidentFlash\", "\Windows\") as folders
// of this machine. Paths use backslashes and names compare without regard to case, as on the
// terminal's file system. A path never leads outside its volume's folder: "." and ".."
// components, slashes inside names and links are refused, since names on an SD card are
// untrusted input.
#pragma once

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/terminal/win_types.h"

namespace platform {

class VolumeTable {
 public:
  void Add(std::wstring name, std::filesystem::path folder);
  // The host path for a terminal path such as "\SDMMC\a\b.txt". Each existing component is
  // found without regard to case; a component that does not exist yet keeps the spelling given.
  // nullopt, with the reason in `error`, for a path that names no volume or is refused.
  std::optional<std::filesystem::path> Resolve(std::wstring_view device_path,
                                               DWORD* error = nullptr) const;

 private:
  std::map<std::wstring, std::filesystem::path> folders_;  // keyed by upper-case name
};

}  // namespace platform

BOOL DeleteFileW(LPCWSTR path);
