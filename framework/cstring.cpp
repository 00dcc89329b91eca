#include "framework/cstring.h"

#include <cstdarg>

#include "platform/terminal/wide_format.h"

void CString::Format(LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  text_ = platform::FormatWideV(format, args);
  va_end(args);
}

int CString::Find(LPCWSTR part) const {
  const auto position = text_.find(part);
  return position == std::wstring::npos ? -1 : static_cast<int>(position);
}
