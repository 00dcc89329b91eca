#include "platform/terminal/volumes.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <wctype.h>

#include <algorithm>
#include <vector>

#include "platform/ports/board.h"
#include "platform/terminal/code_page.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

// Names compare as on the terminal's file system: by Unicode case, whatever the process locale.
std::wstring UpperCase(std::wstring_view name) {
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  std::wstring upper(name);
  for (wchar_t& c : upper) {
    c = static_cast<wchar_t>(unicode != locale_t{} ? towupper_l(c, unicode) : towupper(c));
  }
  return upper;
}

std::wstring VolumeKey(std::wstring_view name) {
  while (!name.empty() && name.front() == L'\\') name.remove_prefix(1);
  while (!name.empty() && name.back() == L'\\') name.remove_suffix(1);
  return UpperCase(name);
}

// The names between backslashes; doubled and trailing backslashes add none.
template <class Char>
std::vector<std::basic_string_view<Char>> SplitPath(std::basic_string_view<Char> path) {
  std::vector<std::basic_string_view<Char>> names;
  while (!path.empty()) {
    const std::size_t end = std::min(path.find(Char('\\')), path.size());
    if (end > 0) names.push_back(path.substr(0, end));
    path.remove_prefix(std::min(end + 1, path.size()));
  }
  return names;
}

// A name that stays where it is put: no step up or sideways, no host separator, no cut-off.
bool IsPlainName(std::wstring_view name) {
  return name != L"." && name != L".." &&
         name.find_first_of(std::wstring_view(L"/\0", 2)) == std::wstring_view::npos;
}

// Whether `name` spells the upper-case name `upper` in some case, when `name` is all ASCII: most
// names are, and a folder's are compared one after another for every new file made in it, so
// they are compared as they stand rather than decoded first. nullopt for any other name.
std::optional<bool> AsciiNameMatches(std::string_view name, std::wstring_view upper) {
  for (const char c : name) {
    if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
  }
  return std::equal(name.begin(), name.end(), upper.begin(), upper.end(), [](char c, wchar_t u) {
    return (c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c) == u;
  });
}

// An entry found in a folder: its name on this machine and whether it is a link.
struct FoundEntry {
  std::string name;
  bool is_link;
};

std::optional<FoundEntry> Described(const std::string& folder, std::string name) {
  struct stat status {};
  if (::fstatat(AT_FDCWD, (folder + '/' + name).c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    return std::nullopt;
  }
  return FoundEntry{std::move(name), S_ISLNK(status.st_mode)};
}

// The entry of `folder` that `name` means: the exact spelling if it exists, otherwise the first
// (in byte order) whose name differs only in case. The folder is read as it stands, without a
// path built for every entry: it is read for every new file made in it.
std::optional<FoundEntry> FindEntry(const std::string& folder, std::wstring_view name,
                                    std::string_view host_name) {
  if (auto exact = Described(folder, std::string(host_name))) return exact;

  DIR* stream = ::opendir(folder.c_str());
  if (stream == nullptr) return std::nullopt;
  const std::wstring wanted = UpperCase(name);
  std::optional<std::string> match;
  while (const dirent* entry = ::readdir(stream)) {
    const std::string_view entry_name = entry->d_name;
    if (entry_name == "." || entry_name == "..") continue;
    if (const auto ascii = AsciiNameMatches(entry_name, wanted)) {
      if (!*ascii) continue;
    } else if (const auto wide_name = FromUtf8(entry_name);
               !wide_name || UpperCase(*wide_name) != wanted) {
      continue;
    }
    if (!match || entry_name < *match) match = std::string(entry_name);
  }
  ::closedir(stream);
  return match ? Described(folder, std::move(*match)) : std::nullopt;
}

std::optional<fs::path> Refuse(DWORD* error, DWORD reason) {
  if (error != nullptr) *error = reason;
  return std::nullopt;
}

}  // namespace

void VolumeTable::Add(std::wstring name, fs::path folder) {
  folders_[VolumeKey(name)] = std::move(folder);
}

std::optional<fs::path> VolumeTable::Resolve(std::wstring_view device_path, DWORD* error) const {
  if (device_path.empty() || device_path.front() != L'\\') {
    return Refuse(error, ERROR_INVALID_NAME);
  }
  const std::vector<std::wstring_view> names = SplitPath(device_path);
  // The whole path is converted at once rather than name by name; a backslash is one byte in
  // UTF-8 and no other character's bytes contain it, so the names split alike.
  const std::string host_path = ToUtf8(device_path);
  const std::vector<std::string_view> host_names = SplitPath(std::string_view(host_path));
  if (host_names.size() != names.size()) return Refuse(error, ERROR_INVALID_NAME);
  const auto volume = names.empty() ? folders_.end() : folders_.find(UpperCase(names.front()));
  if (volume == folders_.end()) return Refuse(error, ERROR_PATH_NOT_FOUND);

  std::string host = volume->second.native();
  bool in_existing_folder = true;
  for (std::size_t index = 1; index < names.size(); ++index) {
    if (!IsPlainName(names[index])) return Refuse(error, ERROR_INVALID_NAME);
    const auto entry =
        in_existing_folder ? FindEntry(host, names[index], host_names[index]) : std::nullopt;
    host += '/';
    if (!entry) {
      in_existing_folder = false;
      host += host_names[index];
      continue;
    }
    host += entry->name;
    // A link could point anywhere on this machine; the terminal's volumes have none.
    if (entry->is_link) return Refuse(error, ERROR_ACCESS_DENIED);
  }
  return fs::path(std::move(host));
}

}  // namespace platform

namespace {

BOOL FailDelete(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace

BOOL DeleteFileW(LPCWSTR path) {
  namespace fs = std::filesystem;
  if (path == nullptr) return FailDelete(ERROR_INVALID_PARAMETER);
  DWORD error = ERROR_SUCCESS;
  const auto host = platform::CurrentBoard().volumes.Resolve(path, &error);
  if (!host) return FailDelete(error);

  std::error_code status_error;
  const fs::file_status status = fs::symlink_status(*host, status_error);
  if (!fs::exists(status)) {
    const bool folder_exists =
        fs::is_directory(fs::symlink_status(host->parent_path(), status_error));
    return FailDelete(folder_exists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
  }
  // Only files; and a read-only file (no owner write permission) stays, as on the terminal.
  if (!fs::is_regular_file(status) ||
      (status.permissions() & fs::perms::owner_write) == fs::perms::none) {
    return FailDelete(ERROR_ACCESS_DENIED);
  }
  std::error_code remove_error;
  if (!fs::remove(*host, remove_error)) {
    return FailDelete(remove_error ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
  }
  return TRUE;
}
