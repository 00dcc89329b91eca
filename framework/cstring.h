// The framework string: wide text with printf-style formatting as the terminal's framework has it.
#pragma once

#include <algorithm>
#include <string>

#include "platform/terminal/win_types.h"

class CString {
 public:
  CString() = default;
  CString(LPCWSTR text) : text_(text ? text : L"") {}     // NOLINT: converts like the framework's
  CString(std::wstring text) : text_(std::move(text)) {}  // NOLINT

  // Replaces the text with the formatted one; %s takes a wide string, as in wsprintfW.
  void Format(LPCWSTR format, ...);

  int GetLength() const { return static_cast<int>(text_.size()); }
  // The first `count` characters (all of them when there are fewer).
  CString Left(int count) const {
    return CString(text_.substr(0, static_cast<std::size_t>(std::max(count, 0))));
  }
  bool IsEmpty() const { return text_.empty(); }
  WCHAR GetAt(int index) const { return text_.at(static_cast<std::size_t>(index)); }
  // Index of the first occurrence of `part`, or -1.
  int Find(LPCWSTR part) const;

  CString& operator+=(WCHAR character) {
    text_ += character;
    return *this;
  }
  CString& operator+=(LPCWSTR text) {
    text_ += text;
    return *this;
  }
  operator LPCWSTR() const { return text_.c_str(); }  // NOLINT: the framework's implicit view
  const std::wstring& str() const { return text_; }

  friend bool operator==(const CString&, const CString&) = default;

 private:
  std::wstring text_;
};
