#include "platform/terminal/file_attributes.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <string>

#include "platform/linux/file_calls.h"
#include "platform/linux/file_errors.h"
#include "platform/linux/stored_attributes.h"
#include "platform/ports/board.h"

namespace {

namespace posix = platform::posix;

BOOL Fail(const posix::CallResult& call) {
  SetLastError(posix::FileError(call.error));
  return FALSE;
}

// The file `path` names on this machine, with its status; false with the last error set.
bool FindFile(LPCWSTR path, std::string* host, struct stat* status) {
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  DWORD error = ERROR_SUCCESS;
  const auto resolved = platform::CurrentBoard().volumes.Resolve(path, &error);
  if (!resolved) {
    SetLastError(error);
    return false;
  }
  *host = resolved->native();
  const auto found = posix::LinkStatusAt(AT_FDCWD, host->c_str(), status);
  return found.ok() || Fail(found);
}

}  // namespace

DWORD GetFileAttributesW(LPCWSTR path) {
  std::string host;
  struct stat status {};
  if (!FindFile(path, &host, &status)) return INVALID_FILE_ATTRIBUTES;
  return posix::TerminalAttributes(host.c_str(), status.st_mode);
}

BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes) {
  std::string host;
  struct stat status {};
  if (!FindFile(path, &host, &status)) return FALSE;
  // The kept bits first: when the file system refuses them, the mode is left as it was.
  if (const auto stored = posix::StoreAttributes(host.c_str(), attributes); !stored.ok()) {
    return Fail(stored);
  }
  constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;
  const mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? status.st_mode & ~kAnyWrite
                                                                  : status.st_mode | S_IWUSR;
  if (mode == status.st_mode) return TRUE;
  // The volumes hold no links (the path was resolved without any), so the mode is the file's.
  const auto changed = posix::ChangeModeAt(AT_FDCWD, host.c_str(), mode & 07777);
  return changed.ok() ? TRUE : Fail(changed);
}
