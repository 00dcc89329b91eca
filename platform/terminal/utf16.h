// UTF-16, the terminal's own wide text: its wchar_t is a 2-byte unit, and a character beyond the
// basic plane takes two of them (a surrogate pair). This build's wchar_t holds a whole character
// in 4 bytes, so the window model keeps its texts as UTF-16 and converts where wchar_t text comes
// in or goes out; positions in a model text count UTF-16 units, as on the terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

inline bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Characters beyond the basic plane become surrogate pairs; a lone surrogate stays the unit it
// is; values that are no character (past U+10FFFF, as a byte widened with its sign) become U+FFFD.
std::u16string ToUtf16(std::wstring_view text);
// Surrogate pairs become one character; a lone surrogate stays as it is.
std::wstring FromUtf16(std::u16string_view text);
// Lone surrogates, which UTF-8 cannot carry, become U+FFFD.
std::string ToUtf8(std::u16string_view text);
// The same in two steps, for a writer that puts the bytes into a buffer of its own: how many
// bytes ToUtf8 makes of `text`, exactly, and writing them at `out`, which has room for that
// many; it returns where they end.
std::size_t Utf8Size(std::u16string_view text);
char* WriteUtf8(std::u16string_view text, char* out);

}  // namespace platform
