#include "platform/terminal/module.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/terminal/code_page.h"

DWORD GetModuleFileNameW(HMODULE module, LPWSTR file_name, DWORD size) {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::wstring path = platform::FromUtf8(executable.native()).value_or(L"");
  if (module != nullptr || error || path.empty()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (file_name == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  const std::size_t copied = std::min<std::size_t>(path.size(), size - 1);
  std::copy_n(path.begin(), copied, file_name);
  file_name[copied] = L'\0';
  if (copied < path.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  return static_cast<DWORD>(copied);
}
