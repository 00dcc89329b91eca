// Conversions between wide text and 8-bit text. CP_ACP is the board's ANSI code page (949 on the
// simulated terminal); UTF-8 serves the front ends, the outside senders and the debug port.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/terminal/win_types.h"

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_UTF8 = 65001;

// As on the terminal: a count of -1 converts through the terminating zero and counts it; an
// output size of 0 asks for the size needed. Returns 0 on failure (GetLastError says why).
int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR wide, int wide_count, char* multi,
                        int multi_size, LPCSTR default_char, BOOL* used_default_char);
int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR multi, int multi_count, LPWSTR wide,
                        int wide_count);

namespace platform {

// Characters UTF-8 cannot carry (lone surrogates) become U+FFFD.
std::string ToUtf8(std::wstring_view text);
// nullopt for bytes that are not UTF-8.
std::optional<std::wstring> FromUtf8(std::string_view text);

}  // namespace platform
