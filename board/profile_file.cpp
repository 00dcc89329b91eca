#include "board/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>

#include "board/profile.h"
#include "platform/linux/file_calls.h"
#include "platform/linux/posix_calls.h"
#include "platform/linux/regular_file.h"

namespace board {

namespace posix = platform::posix;

std::string ReadProfileFile(const std::filesystem::path& file) {
  const auto fail = [&](const std::string& what) -> BoardError {
    return BoardError(file.string() + ": " + what);
  };
  // Without O_NONBLOCK a FIFO with no writer would hold the open until one came.
  const posix::CallResult opened = posix::Open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (!opened.ok()) throw fail("cannot be read (" + opened.Describe() + ")");
  const posix::UniqueFd fd(static_cast<int>(opened.value));

  struct stat status {};
  if (const auto stated = posix::FileStatus(fd.get(), &status); !stated.ok()) {
    throw fail("cannot be read (" + stated.Describe() + ")");
  }
  if (!S_ISREG(status.st_mode)) {
    throw fail("is " + posix::KindOfFile(status.st_mode) + ", not a board profile");
  }
  const auto too_large = [&] {
    return fail("is larger than a board profile can be (" + std::to_string(kMaxProfileBytes) +
                " bytes)");
  };
  if (static_cast<std::uintmax_t>(status.st_size) > kMaxProfileBytes) throw too_large();

  // The file may grow while it is read: one byte beyond the limit is enough to tell.
  std::string text;
  const posix::CallResult read = posix::ReadUpTo(fd.get(), kMaxProfileBytes + 1, &text);
  if (!read.ok()) throw fail("cannot be read (" + read.Describe() + ")");
  if (text.size() > kMaxProfileBytes) throw too_large();
  return text;
}

}  // namespace board
