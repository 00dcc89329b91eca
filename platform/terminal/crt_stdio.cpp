#include "platform/terminal/crt_stdio.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "platform/linux/file_errors.h"
#include "platform/linux/regular_file.h"
#include "platform/ports/board.h"
#include "platform/terminal/code_page.h"
#include "platform/terminal/volumes.h"

namespace crt {

namespace {

namespace posix = platform::posix;

FILE* Fail(DWORD error, int errno_value) {
  SetLastError(error);
  errno = errno_value;
  return nullptr;
}

// The open flags of a stream mode as the C library reads it ("r", "wb+", "a"); nullopt for a
// mode it refuses.
std::optional<int> OpenFlags(const char* mode) {
  if (mode == nullptr) return std::nullopt;
  int flags = O_CLOEXEC;
  switch (mode[0]) {
    case 'r':
      flags |= O_RDONLY;
      break;
    case 'w':
      flags |= O_WRONLY | O_CREAT | O_TRUNC;
      break;
    case 'a':
      flags |= O_WRONLY | O_CREAT | O_APPEND;
      break;
    default:
      return std::nullopt;
  }
  for (const char* c = mode + 1; *c != '\0'; ++c) {
    if (*c == '+') flags = (flags & ~O_ACCMODE) | O_RDWR;
    if (*c == 'x') flags |= O_EXCL;
  }
  return flags;
}

}  // namespace

FILE* fopen(const char* device_path, const char* mode) {
  const auto flags = OpenFlags(mode);
  if (!flags || device_path == nullptr) return Fail(ERROR_INVALID_PARAMETER, EINVAL);
  const int count = MultiByteToWideChar(CP_ACP, 0, device_path, -1, nullptr, 0);
  if (count == 0) return nullptr;
  std::wstring wide(static_cast<std::size_t>(count), L'\0');
  MultiByteToWideChar(CP_ACP, 0, device_path, -1, wide.data(), count);
  wide.pop_back();  // the terminating zero

  DWORD error = ERROR_SUCCESS;
  const auto host = platform::CurrentBoard().volumes.Resolve(wide, &error);
  if (!host) return Fail(error, ENOENT);
  // A FIFO on a volume would hold the caller until a far end came; it is refused, as a link or a
  // device is, without being opened.
  const posix::CallResult opened = posix::OpenRegularFileAt(AT_FDCWD, host->c_str(), *flags, 0666);
  if (!opened.ok()) return Fail(posix::FileError(opened.error), opened.error);
  const int fd = static_cast<int>(opened.value);
  FILE* stream = ::fdopen(fd, mode);
  if (stream == nullptr) {
    const int failed = errno;
    ::close(fd);
    return Fail(posix::FileError(failed), failed);
  }
  return stream;
}

}  // namespace crt
