#include "platform/terminal/wide_format.h"

#include <cwctype>
#include <vector>

namespace platform {

namespace {

// Rewrites the terminal's conversions into this C library's: %s becomes %ls, %hs becomes %s.
std::wstring TranslateFormat(LPCWSTR format) {
  std::wstring out;
  for (const wchar_t* p = format; *p != L'\0'; ++p) {
    out += *p;
    if (*p != L'%') continue;
    ++p;
    if (*p == L'%') {
      out += *p;
      continue;
    }
    while (*p != L'\0' && std::wcschr(L"-+ #0123456789.*", *p) != nullptr) out += *p++;
    const bool narrow = *p == L'h' && (p[1] == L's' || p[1] == L'c');
    if (narrow) {
      ++p;
    } else if (*p == L's' || *p == L'c') {
      out += L'l';
    } else {
      while (*p != L'\0' && std::wcschr(L"hlLqjzt", *p) != nullptr) out += *p++;
    }
    if (*p == L'\0') break;
    out += *p;
  }
  return out;
}

}  // namespace

std::wstring FormatWideV(LPCWSTR format, va_list args) {
  const std::wstring translated = TranslateFormat(format);
  std::vector<wchar_t> buffer(256);
  for (;;) {
    va_list attempt;
    va_copy(attempt, args);
    const int written = std::vswprintf(buffer.data(), buffer.size(), translated.c_str(), attempt);
    va_end(attempt);
    if (written >= 0) return std::wstring(buffer.data(), static_cast<std::size_t>(written));
    if (buffer.size() >= (std::size_t{1} << 24)) return {};  // not a size problem: a bad format
    buffer.resize(buffer.size() * 4);
  }
}

std::wstring FormatWide(LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = FormatWideV(format, args);
  va_end(args);
  return text;
}

}  // namespace platform
