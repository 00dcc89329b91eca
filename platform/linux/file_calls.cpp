#include "platform/linux/file_calls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/xattr.h>
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
  return Retried("fstatat", [&] { return ::fstatat(folder, name, status, AT_SYMLINK_NOFOLLOW); });
}

CallResult Status(int fd, struct stat* status) {
  return Retried("fstat", [&] { return ::fstat(fd, status); });
}

CallResult ChangeMode(int fd, mode_t mode) {
  return Retried("fchmod", [&] { return ::fchmod(fd, mode); });
}

CallResult ChangeModeAt(int folder, const char* name, mode_t mode) {
  return Retried("fchmodat", [&] { return ::fchmodat(folder, name, mode, 0); });
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

CallResult UnlinkAt(int folder, const char* name) {
  return Retried("unlinkat", [&] { return ::unlinkat(folder, name, 0); });
}

CallResult MakeUniqueFile(std::string* name, int flags) {
  const std::string pattern = *name;  // a try cut short leaves the name it chose behind
  return Retried("mkostemp", [&] {
    *name = pattern;
    return ::mkostemp(name->data(), flags);
  });
}

CallResult LinkAt(int from_folder, const char* from, int to_folder, const char* to) {
  return Retried("linkat", [&] { return ::linkat(from_folder, from, to_folder, to, 0); });
}

CallResult SyncFile(int fd) {
  return Retried("fsync", [&] { return ::fsync(fd); });
}

CallResult RemoveFolderAt(int folder, const char* name) {
  return Retried("unlinkat", [&] { return ::unlinkat(folder, name, AT_REMOVEDIR); });
}

CallResult CopyContents(int from, int to) {
  // Up to a gigabyte a call, so that a signal or a slow medium never holds one call for long.
  constexpr std::size_t kChunk = std::size_t{1} << 30;
  long copied = 0;
  bool across_file_systems = false;
  for (;;) {
    CallResult step =
        across_file_systems
            ? Retried("sendfile", [&] { return ::sendfile(to, from, nullptr, kChunk); })
            : Retried("copy_file_range",
                      [&] { return ::copy_file_range(from, nullptr, to, nullptr, kChunk, 0); });
    if (!step.ok() && !across_file_systems &&
        (step.error == EXDEV || step.error == EINVAL || step.error == ENOSYS ||
         step.error == EOPNOTSUPP)) {
      across_file_systems = true;
      continue;
    }
    if (!step.ok()) return step;
    if (step.value == 0) return {copied, 0, step.call};
    copied += step.value;
  }
}

CallResult CopyTimes(int to, const struct stat& status) {
  const timespec times[2] = {status.st_atim, status.st_mtim};
  return Retried("futimens", [&] { return ::futimens(to, times); });
}

CallResult ReadExtendedAttribute(const char* path, const char* name, std::string* value) {
  // Attributes of a file on the volumes are short; a longer one is read in as many tries as it
  // takes to fit.
  for (std::size_t size = 64;; size *= 2) {
    value->resize(size);
    const CallResult read =
        Retried("lgetxattr", [&] { return ::lgetxattr(path, name, value->data(), size); });
    if (read.ok()) {
      value->resize(static_cast<std::size_t>(read.value));
      return read;
    }
    if (read.error != ERANGE) return read;
  }
}

CallResult WriteExtendedAttribute(const char* path, const char* name, std::string_view value) {
  return Retried("lsetxattr",
                 [&] { return ::lsetxattr(path, name, value.data(), value.size(), 0); });
}

CallResult RemoveExtendedAttribute(const char* path, const char* name) {
  return Retried("lremovexattr", [&] { return ::lremovexattr(path, name); });
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
