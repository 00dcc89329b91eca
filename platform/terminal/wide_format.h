// printf-style formatting of wide text as the terminal's C library does it: in a wide format, %s
// and %c take wide arguments (%hs and %hc narrow ones). The C library here reads them the other
// way round, so the format is translated before it is handed on.
#pragma once

#include <cstdarg>
#include <cwchar>
#include <string>

#include "platform/terminal/win_types.h"

namespace platform {

std::wstring FormatWideV(LPCWSTR format, va_list args);
std::wstring FormatWide(LPCWSTR format, ...);

}  // namespace platform

// Formats into a fixed buffer, cut to fit; returns the number of characters stored.
template <std::size_t N>
int wsprintfW(WCHAR (&buffer)[N], LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  const std::wstring text = platform::FormatWideV(format, args);
  va_end(args);
  const std::size_t count = text.size() < N ? text.size() : N - 1;
  std::wmemcpy(buffer, text.data(), count);
  buffer[count] = L'\0';
  return static_cast<int>(count);
}
