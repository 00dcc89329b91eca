#include "platform/terminal/folders.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/file_calls.h"
#include "platform/linux/file_errors.h"
#include "platform/ports/board.h"

namespace {

namespace posix = platform::posix;

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// Whether the path names a volume's own folder ("\SDMMC", "\SDMMC\"): one name between
// backslashes.
bool NamesVolumeFolder(std::wstring_view path) {
  int names = 0;
  wchar_t previous = L'\\';
  for (const wchar_t c : path) {
    if (previous == L'\\' && c != L'\\') ++names;
    previous = c;
  }
  return names <= 1;
}

// The folder that holds the entry `path` names, opened, and the entry's name in it; false with
// the last error set, `volume_folder_error` for a volume's own folder.
bool OpenParent(LPCWSTR path, DWORD volume_folder_error, posix::UniqueFd* parent,
                std::string* name) {
  if (path == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  DWORD error = ERROR_SUCCESS;
  const auto host = platform::CurrentBoard().volumes.Resolve(path, &error);
  if (!host) return Fail(error);
  if (NamesVolumeFolder(path)) return Fail(volume_folder_error);
  const auto opened = posix::OpenAt(AT_FDCWD, host->parent_path().c_str(),
                                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (!opened.ok()) {
    const bool missing = opened.error == ENOENT || opened.error == ENOTDIR;
    return Fail(missing ? ERROR_PATH_NOT_FOUND : posix::FileError(opened.error));
  }
  parent->reset(static_cast<int>(opened.value));
  *name = host->filename().native();
  return true;
}

}  // namespace

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security) {
  if (security != nullptr) return Fail(ERROR_INVALID_PARAMETER);
  posix::UniqueFd parent;
  std::string name;
  if (!OpenParent(path, ERROR_ALREADY_EXISTS, &parent, &name)) return FALSE;
  // As for the files the console makes, the process's file mask decides who else may read it.
  const auto made = posix::MakeFolderAt(parent.get(), name.c_str(), 0777);
  if (!made.ok()) {
    return Fail(made.error == EEXIST ? ERROR_ALREADY_EXISTS : posix::FileError(made.error));
  }
  return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR path) {
  posix::UniqueFd parent;
  std::string name;
  if (!OpenParent(path, ERROR_ACCESS_DENIED, &parent, &name)) return FALSE;
  struct stat status {};
  if (const auto found = posix::LinkStatusAt(parent.get(), name.c_str(), &status); !found.ok()) {
    return Fail(found.error == ENOENT ? ERROR_PATH_NOT_FOUND : posix::FileError(found.error));
  }
  if (!S_ISDIR(status.st_mode)) return Fail(ERROR_DIRECTORY);
  if ((status.st_mode & S_IWUSR) == 0) return Fail(ERROR_ACCESS_DENIED);
  const auto removed = posix::RemoveFolderAt(parent.get(), name.c_str());
  return removed.ok() ? TRUE : Fail(posix::FileError(removed.error));
}
