// The picture a prompt shows beside its question ("plug the loopback connector in like this"):
// where the prompt names it, and its file read for the window. Only a regular file is read, and
// never more than kMaxPictureBytes, so a wrong name (a FIFO, a device, a huge file) can neither
// hang the station nor swamp it; what went wrong is shown in the picture's place.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "plan/plan.h"

namespace station {

inline constexpr std::size_t kMaxPictureBytes = std::size_t{16} << 20;

struct PromptPicture {
  std::string bytes;  // the file as it is, for the window to decode; empty without a picture
  std::string fault;  // why a named picture cannot be shown; empty when it can or none is named
};

// The picture `prompt` names; empty when it names none. Prompt steps carry no picture yet: this
// is the one place that reads it once they do.
std::filesystem::path PicturePathOf(const plan::PromptStep& prompt);

// The picture at `path`; nothing when `path` is empty.
PromptPicture ReadPromptPicture(const std::filesystem::path& path);

}  // namespace station
