#include "platform/terminal/crt_stdio.h"

#include <cerrno>
#include <string>

#include "platform/ports/board.h"
#include "platform/terminal/code_page.h"
#include "platform/terminal/volumes.h"

namespace crt {

FILE* fopen(const char* device_path, const char* mode) {
  const int count = MultiByteToWideChar(CP_ACP, 0, device_path, -1, nullptr, 0);
  if (count == 0) return nullptr;
  std::wstring wide(static_cast<std::size_t>(count), L'\0');
  MultiByteToWideChar(CP_ACP, 0, device_path, -1, wide.data(), count);
  wide.pop_back();  // the terminating zero

  DWORD error = ERROR_SUCCESS;
  const auto host = platform::CurrentBoard().volumes.Resolve(wide, &error);
  if (!host) {
    SetLastError(error);
    errno = ENOENT;
    return nullptr;
  }
  return std::fopen(host->c_str(), mode);
}

}  // namespace crt
