#include "platform/terminal/volumes.h"

#include <locale.h>
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
std::vector<std::wstring_view> SplitPath(std::wstring_view path) {
  std::vector<std::wstring_view> names;
  while (!path.empty()) {
    const std::size_t end = std::min(path.find(L'\\'), path.size());
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

// The entry of `folder` that `name` means: the exact spelling if it exists, otherwise the first
// (in byte order) whose name differs only in case.
std::optional<std::string> FindEntry(const fs::path& folder, std::wstring_view name) {
  std::string exact = ToUtf8(name);
  std::error_code error;
  if (fs::exists(fs::symlink_status(folder / exact, error))) return exact;

  const std::wstring wanted = UpperCase(name);
  std::optional<std::string> match;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    std::string entry_name = entry.path().filename().native();
    const auto wide_name = FromUtf8(entry_name);
    if (!wide_name || UpperCase(*wide_name) != wanted) continue;
    if (!match || entry_name < *match) match = std::move(entry_name);
  }
  return match;
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
  const auto volume = names.empty() ? folders_.end() : folders_.find(UpperCase(names.front()));
  if (volume == folders_.end()) return Refuse(error, ERROR_PATH_NOT_FOUND);

  fs::path host = volume->second;
  bool in_existing_folder = true;
  for (auto name = names.begin() + 1; name != names.end(); ++name) {
    if (!IsPlainName(*name)) return Refuse(error, ERROR_INVALID_NAME);
    const auto entry = in_existing_folder ? FindEntry(host, *name) : std::nullopt;
    if (!entry) {
      in_existing_folder = false;
      host /= ToUtf8(*name);
      continue;
    }
    host /= *entry;
    // A link could point anywhere on this machine; the terminal's volumes have none.
    std::error_code status_error;
    if (fs::is_symlink(fs::symlink_status(host, status_error))) {
      return Refuse(error, ERROR_ACCESS_DENIED);
    }
  }
  return host;
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
