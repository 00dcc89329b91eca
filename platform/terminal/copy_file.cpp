#include "platform/terminal/copy_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/linux/file_calls.h"
#include "platform/linux/file_errors.h"
#include "platform/linux/regular_file.h"
#include "platform/linux/stored_attributes.h"
#include "platform/ports/board.h"

namespace {

namespace posix = platform::posix;

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

BOOL Fail(const posix::CallResult& call) { return Fail(posix::FileError(call.error)); }

std::optional<std::filesystem::path> Resolve(LPCWSTR path, DWORD* error) {
  if (path == nullptr) {
    *error = ERROR_INVALID_PARAMETER;
    return std::nullopt;
  }
  return platform::CurrentBoard().volumes.Resolve(path, error);
}

// A name of its own in the target's folder for each copy under way, in this process and others.
std::string TemporaryName() {
  static std::atomic<unsigned> next{0};
  return ".quorvane-copy-" + std::to_string(::getpid()) + "-" + std::to_string(next++);
}

// The copy's contents, attributes and times, written to the open file `to`.
posix::CallResult CopyInto(int from, const struct stat& source, int to) {
  if (auto copied = posix::CopyContents(from, to); !copied.ok()) return copied;
  if (auto mode = posix::ChangeMode(to, source.st_mode & 07777); !mode.ok()) return mode;
  return posix::CopyTimes(to, source);
}

}  // namespace

BOOL CopyFileW(LPCWSTR existing_file, LPCWSTR new_file, BOOL fail_if_exists) {
  DWORD error = ERROR_SUCCESS;
  const auto source_path = Resolve(existing_file, &error);
  if (!source_path) return Fail(error);
  const auto target_path = Resolve(new_file, &error);
  if (!target_path) return Fail(error);

  const auto opened =
      posix::OpenRegularFileAt(AT_FDCWD, source_path->c_str(), O_RDONLY | O_CLOEXEC);
  if (!opened.ok()) return Fail(opened);
  const posix::UniqueFd source(static_cast<int>(opened.value));
  struct stat source_status {};
  if (auto status = posix::Status(source.get(), &source_status); !status.ok()) return Fail(status);

  const auto folder_opened = posix::OpenAt(AT_FDCWD, target_path->parent_path().c_str(),
                                           O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (!folder_opened.ok()) {
    return Fail(folder_opened.error == ENOENT ? ERROR_PATH_NOT_FOUND
                                              : posix::FileError(folder_opened.error));
  }
  const posix::UniqueFd folder(static_cast<int>(folder_opened.value));
  const std::string name = target_path->filename().native();
  struct stat target_status {};
  if (posix::LinkStatusAt(folder.get(), name.c_str(), &target_status).ok()) {
    if (fail_if_exists) return Fail(ERROR_FILE_EXISTS);
    if (!S_ISREG(target_status.st_mode) || (target_status.st_mode & S_IWUSR) == 0) {
      return Fail(ERROR_ACCESS_DENIED);
    }
  }

  const std::string temporary = TemporaryName();
  const auto created = posix::OpenAt(folder.get(), temporary.c_str(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (!created.ok()) return Fail(created);
  posix::CallResult copied;
  {
    const posix::UniqueFd target(static_cast<int>(created.value));
    copied = CopyInto(source.get(), source_status, target.get());
  }
  // The kept attributes go with the contents; a file system without a place for them keeps the
  // copy and loses only them.
  if (copied.ok()) {
    const std::string temporary_path = (target_path->parent_path() / temporary).native();
    copied = posix::StoreAttributes(temporary_path.c_str(),
                                    posix::StoredAttributes(source_path->c_str()));
    if (copied.error == ENOTSUP) copied = {};
  }
  if (copied.ok()) copied = posix::RenameAt(folder.get(), temporary.c_str(), name.c_str());
  if (!copied.ok()) {
    posix::UnlinkAt(folder.get(), temporary.c_str());
    return Fail(copied);
  }
  return TRUE;
}
