#include "tools/quorvane-station/qt/prompt_picture.h"

#include "platform/linux/small_file.h"

namespace station {

namespace posix = platform::posix;

PromptPicture ReadPromptPicture(const std::filesystem::path& path) {
  PromptPicture picture;
  if (path.empty()) return picture;
  posix::SmallFile file = posix::ReadSmallFile(path.c_str(), kMaxPictureBytes);
  const std::string named = "the picture " + path.string();
  switch (file.fault) {
    case posix::SmallFileFault::kNone:
      picture.bytes = std::move(file.text);
      if (picture.bytes.empty()) picture.fault = named + " is empty";
      break;
    case posix::SmallFileFault::kNotRegularFile:
      picture.fault = named + " is not a regular file";
      break;
    case posix::SmallFileFault::kTooLarge:
      picture.fault = named + " is larger than " + std::to_string(kMaxPictureBytes >> 20) + " MiB";
      break;
    case posix::SmallFileFault::kCannotOpen:
    case posix::SmallFileFault::kCannotExamine:
    case posix::SmallFileFault::kCannotRead:
      picture.fault = named + " cannot be read: " + file.call.Describe();
      break;
  }
  return picture;
}

}  // namespace station
