#include "platform/linux/file_calls.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/retried.h"

namespace platform::posix {

CallResult OpenAt(int folder, const char* name, int flags, mode_t mode) {
  return Retried("openat", [&] { return ::openat(folder, name, flags, mode); });
}

CallResult MakeFolderAt(int folder, const char* name, mode_t mode) {
  return Retried("mkdirat", [&] { return ::mkdirat(folder, name, mode); });
}

CallResult LinkStatusAt(int folder, const char* name, struct stat* status) {
  return Retried("fstatat",
                 [&] { return ::fstatat(folder, name, status, AT_SYMLINK_NOFOLLOW); });
}

CallResult Status(int fd, struct stat* status) {
  return Retried("fstat", [&] { return ::fstat(fd, status); });
}

CallResult ChangeMode(int fd, mode_t mode) {
  return Retried("fchmod", [&] { return ::fchmod(fd, mode); });
}

CallResult RenameAt(int folder, const char* from, const char* to) {
  return Retried("renameat", [&] { return ::renameat(folder, from, folder, to); });
}

CallResult ReadLinkAt(int folder, const char* name, std::string* target) {
  // A link's text may be as long as a path; the buffer grows until the text fits with room over.
  for (std::size_t size = 256;; size *= 2) {
    target->resize(size);
    const CallResult read =
        Retried("readlinkat", [&] { return ::readlinkat(folder, name, target->data(), size); });
    if (!read.ok()) return read;
    if (static_cast<std::size_t>(read.value) < size) {
      target->resize(static_cast<std::size_t>(read.value));
      return read;
    }
  }
}

CallResult ListFolder(int folder, std::vector<std::string>* names) {
  // The listing reads through a copy of the descriptor, which the folder stream closes.
  const CallResult copy = Retried("fcntl", [&] { return ::fcntl(folder, F_DUPFD_CLOEXEC, 0); });
  if (!copy.ok()) return copy;
  DIR* stream = ::fdopendir(static_cast<int>(copy.value));
  if (stream == nullptr) {
    const CallResult failed{0, errno, "fdopendir"};
    ::close(static_cast<int>(copy.value));
    return failed;
  }
  ::rewinddir(stream);  // the copy shares its position with the original
  names->clear();
  CallResult result{0, 0, "readdir"};
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(stream);
    if (entry == nullptr) {
      if (errno != 0) result = {0, errno, "readdir"};
      break;
    }
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
      names->emplace_back(entry->d_name);
    }
  }
  ::closedir(stream);
  result.value = static_cast<long>(names->size());
  return result;
}

CallResult WriteAll(int fd, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  std::size_t written = 0;
  while (written < size) {
    const CallResult write = Write(fd, bytes + written, size - written);
    if (!write.ok()) return write;
    if (write.value == 0) return {0, EIO, "write"};  // no progress: never loop forever
    written += static_cast<std::size_t>(write.value);
  }
  return {static_cast<long>(written), 0, "write"};
}

CallResult ReadUpTo(int fd, std::size_t limit, std::string* text) {
  text->assign(limit, '\0');
  std::size_t length = 0;
  while (length < limit) {
    const CallResult read = Read(fd, text->data() + length, limit - length);
    if (!read.ok()) {
      text->clear();
      return read;
    }
    if (read.value == 0) break;
    length += static_cast<std::size_t>(read.value);
  }
  text->resize(length);
  return {static_cast<long>(length), 0, "read"};
}

}  // namespace platform::posix
