#include "platform/terminal/wide_format.h"

#include <cwctype>
#include <iterator>
#include <memory>

namespace platform {

namespace {

// Rewrites the terminal's conversions into this C library's: %s becomes %ls, %hs becomes %s.
std::wstring TranslateFormat(LPCWSTR format) {
  std::wstring out;
  out.reserve(std::wcslen(format) + 8);
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

// vswprintf into `buffer`: the characters written, or -1 when they do not fit (or the format is
// bad).
int PrintInto(wchar_t* buffer, std::size_t size, const std::wstring& format, va_list args) {
  va_list attempt;
  va_copy(attempt, args);
  const int written = std::vswprintf(buffer, size, format.c_str(), attempt);
  va_end(attempt);
  return written;
}

}  // namespace

std::wstring FormatWideV(LPCWSTR format, va_list args) {
  const std::wstring translated = TranslateFormat(format);
  // Every log line passes through here: one that fits is written on the stack, a longer one
  // again into ever larger buffers.
  wchar_t line[1024];
  int written = PrintInto(line, std::size(line), translated, args);
  if (written >= 0) return std::wstring(line, static_cast<std::size_t>(written));
  for (std::size_t size = std::size(line) * 4; size <= (std::size_t{1} << 24); size *= 4) {
    const auto buffer = std::make_unique_for_overwrite<wchar_t[]>(size);
    written = PrintInto(buffer.get(), size, translated, args);
    if (written >= 0) return std::wstring(buffer.get(), static_cast<std::size_t>(written));
  }
  return {};  // not a size problem: a bad format
}

std::wstring FormatWide(LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = FormatWideV(format, args);
  va_end(args);
  return text;
}

}  // namespace platform
