// The picture a prompt shows beside its question ("plug the loopback connector in like this"),
// its file read for the window. Only a regular file is read, and
// never more than kMaxPictureBytes, so a wrong name (a FIFO, a device, a huge file) can neither
// hang the station nor swamp it; what went wrong is shown in the picture's place.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace station {

inline constexpr std::size_t kMaxPictureBytes = std::size_t{16} << 20;

struct PromptPicture {
  std::string bytes;  // the file as it is, for the window to decode; empty without a picture
  std::string fault;  // why a named picture cannot be shown; empty when it can or none is named
};

// The picture at `path`; nothing when `path` is empty.
PromptPicture ReadPromptPicture(const std::filesystem::path& path);

}  // namespace station
