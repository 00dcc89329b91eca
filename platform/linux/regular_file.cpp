#include "platform/linux/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/linux/file_calls.h"
#include "platform/linux/retried.h"

namespace platform::posix {

namespace {

bool IsTaken(mode_t mode, AlsoTaken also) {
  return S_ISREG(mode) || (S_ISFIFO(mode) && also == AlsoTaken::kFifoWithReader);
}

int RefusalOf(mode_t mode) {
  if (S_ISLNK(mode)) return ELOOP;
  if (S_ISDIR(mode)) return EISDIR;
  return ENXIO;
}

}  // namespace

CallResult OpenRegularFileAt(int folder, const char* name, int flags, mode_t mode, AlsoTaken also) {
  // Looked at first, so that a device is never opened at all; a missing name is for the open to
  // make or refuse.
  struct stat status {};
  if (LinkStatusAt(folder, name, &status).ok() && !IsTaken(status.st_mode, also)) {
    return {0, RefusalOf(status.st_mode), "openat"};
  }
  const CallResult opened = OpenAt(folder, name, flags | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, mode);
  if (!opened.ok()) return opened;
  UniqueFd file(static_cast<int>(opened.value));
  if (const CallResult examined = Status(file.get(), &status); !examined.ok()) return examined;
  if (!IsTaken(status.st_mode, also)) return {0, RefusalOf(status.st_mode), "openat"};
  if ((flags & O_NONBLOCK) == 0 && S_ISREG(status.st_mode)) {
    const CallResult kept = Retried("fcntl", [&] { return ::fcntl(file.get(), F_GETFL); });
    if (!kept.ok()) return kept;
    const int blocking = static_cast<int>(kept.value) & ~O_NONBLOCK;
    const CallResult set = Retried("fcntl", [&] { return ::fcntl(file.get(), F_SETFL, blocking); });
    if (!set.ok()) return set;
  }
  return {file.release(), 0, "openat"};
}

bool FoundNoRegularFile(const CallResult& open) {
  return open.error == ELOOP || open.error == EISDIR || open.error == ENXIO;
}

std::string KindOfFile(mode_t mode) {
  if (S_ISREG(mode)) return "a regular file";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISLNK(mode)) return "a link";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "an unusual file";
}

}  // namespace platform::posix
