#include "board/profile_file.h"

#include "board/profile.h"
#include "platform/linux/regular_file.h"
#include "platform/linux/small_file.h"

namespace board {

namespace posix = platform::posix;

std::string ReadProfileFile(const std::filesystem::path& file) {
  posix::SmallFile read = posix::ReadSmallFile(file.c_str(), kMaxProfileBytes);
  const auto fail = [&](const std::string& what) -> BoardError {
    return BoardError(file.string() + ": " + what);
  };
  switch (read.fault) {
    case posix::SmallFileFault::kNone:
      return std::move(read.text);
    case posix::SmallFileFault::kNotRegularFile:
      throw fail("is " + posix::KindOfFile(read.status.st_mode) + ", not a board profile");
    case posix::SmallFileFault::kTooLarge:
      throw fail("is larger than a board profile can be (" + std::to_string(kMaxProfileBytes) +
                 " bytes)");
    case posix::SmallFileFault::kCannotOpen:
    case posix::SmallFileFault::kCannotExamine:
    case posix::SmallFileFault::kCannotRead:
      break;
  }
  throw fail("cannot be read (" + read.call.Describe() + ")");
}

}  // namespace board
