#include "platform/terminal/find_file.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cwchar>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/file_calls.h"
#include "platform/linux/file_errors.h"
#include "platform/linux/stored_attributes.h"
#include "platform/ports/board.h"
#include "platform/terminal/handles.h"

namespace {

namespace posix = platform::posix;

static_assert(NAME_MAX < MAX_PATH, "every name on this machine fits the find record");

HANDLE FailFind(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

// The name as wide text; bytes that are not UTF-8 each become U+FFFD.
std::wstring WideName(std::string_view name) {
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  const locale_t previous = uselocale(utf8);
  std::wstring wide;
  std::mbstate_t state{};
  while (!name.empty()) {
    wchar_t character = 0;
    const std::size_t used = std::mbrtowc(&character, name.data(), name.size(), &state);
    if (used == 0 || used > name.size()) {  // a bad or cut-off sequence, or a NUL
      wide += L'\xFFFD';
      name.remove_prefix(1);
      state = {};
      continue;
    }
    wide += character;
    name.remove_prefix(used);
  }
  uselocale(previous);
  return wide;
}

// Time in 100 ns steps since 1601, as the terminal counts it.
FILETIME FileTime(const timespec& time) {
  constexpr long long kSecondsFrom1601To1970 = 11644473600LL;
  const unsigned long long ticks =
      static_cast<unsigned long long>(std::max(0LL, time.tv_sec + kSecondsFrom1601To1970)) *
          10'000'000ULL +
      static_cast<unsigned long long>(time.tv_nsec / 100);
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// A folder's names, read when the listing started, and how far the listing has come.
class FolderListing final : public platform::KernelObject {
 public:
  FolderListing(posix::UniqueFd folder, std::string host_folder, std::vector<std::string> names)
      : folder_(std::move(folder)),
        host_folder_(std::move(host_folder)),
        names_(std::move(names)) {}

  // The next entry that still exists, described in `find_data`; false at the end.
  bool Next(WIN32_FIND_DATAW* find_data) {
    const std::lock_guard lock(mutex_);
    while (next_ < names_.size()) {
      const std::string& name = names_[next_++];
      struct stat status {};
      if (!posix::LinkStatusAt(folder_.get(), name.c_str(), &status).ok()) continue;
      Describe(name, status, find_data);
      return true;
    }
    return false;
  }

 private:
  void Describe(const std::string& name, const struct stat& status,
                WIN32_FIND_DATAW* find_data) const {
    const std::string host_path = host_folder_ + "/" + name;
    *find_data = {};
    find_data->dwFileAttributes = posix::TerminalAttributes(host_path.c_str(), status.st_mode);
    // The file systems here keep no creation time; the last change of the entry stands in.
    find_data->ftCreationTime = FileTime(status.st_ctim);
    find_data->ftLastAccessTime = FileTime(status.st_atim);
    find_data->ftLastWriteTime = FileTime(status.st_mtim);
    // Only a file's contents count; what a folder or a link takes on this machine does not.
    const auto size = S_ISREG(status.st_mode) ? static_cast<unsigned long long>(status.st_size) : 0;
    find_data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    find_data->nFileSizeLow = static_cast<DWORD>(size);
    find_data->dwOID = static_cast<DWORD>(status.st_ino);
    const std::wstring wide = WideName(name);
    std::wmemcpy(find_data->cFileName, wide.data(), wide.size());
  }

  std::mutex mutex_;
  const posix::UniqueFd folder_;
  const std::string host_folder_;
  const std::vector<std::string> names_;
  std::size_t next_ = 0;
};

bool MatchesEverything(std::wstring_view pattern) { return pattern == L"*.*" || pattern == L"*"; }

}  // namespace

HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* find_data) {
  if (pattern == nullptr || find_data == nullptr) return FailFind(ERROR_INVALID_PARAMETER);
  const std::wstring_view text(pattern);
  const std::size_t last_backslash = text.rfind(L'\\');
  if (last_backslash == std::wstring_view::npos ||
      !MatchesEverything(text.substr(last_backslash + 1))) {
    return FailFind(ERROR_INVALID_PARAMETER);
  }
  DWORD error = ERROR_SUCCESS;
  const auto folder_path = platform::CurrentBoard().volumes.Resolve(
      std::wstring(text.substr(0, last_backslash + 1)), &error);
  if (!folder_path) return FailFind(error);

  const auto opened = posix::OpenAt(AT_FDCWD, folder_path->c_str(),
                                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (!opened.ok()) {
    const bool missing = opened.error == ENOENT || opened.error == ENOTDIR;
    return FailFind(missing ? ERROR_PATH_NOT_FOUND : posix::FileError(opened.error));
  }
  posix::UniqueFd folder(static_cast<int>(opened.value));
  std::vector<std::string> names;
  if (const auto listed = posix::ListFolder(folder.get(), &names); !listed.ok()) {
    return FailFind(posix::FileError(listed.error));
  }
  auto listing =
      std::make_shared<FolderListing>(std::move(folder), folder_path->native(), std::move(names));
  if (!listing->Next(find_data)) return FailFind(ERROR_FILE_NOT_FOUND);
  return platform::InsertHandle(std::move(listing));
}

BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* find_data) {
  const auto listing = platform::LookUpHandleAs<FolderListing>(find);
  if (listing == nullptr || find_data == nullptr) {
    SetLastError(listing == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (listing->Next(find_data)) return TRUE;
  SetLastError(ERROR_NO_MORE_FILES);
  return FALSE;
}

BOOL FindClose(HANDLE find) {
  if (platform::LookUpHandleAs<FolderListing>(find) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(find);
}
