#include "platform/terminal/utf16.h"

#include <cstdint>
#include <utility>

namespace platform {

namespace {

constexpr char16_t kReplacementCharacter = u'\uFFFD';

// The character starting at text[i] and how many units it takes; a lone surrogate is itself.
std::pair<char32_t, std::size_t> CharacterAt(std::u16string_view text, std::size_t i) {
  if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
    const char32_t high = text[i] - 0xD800u;
    const char32_t low = text[i + 1] - 0xDC00u;
    return {0x10000 + (high << 10) + low, 2};
  }
  return {text[i], 1};
}

std::size_t Utf8Length(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

}  // namespace

std::u16string ToUtf16(std::wstring_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (const wchar_t wide : text) {
    const auto c = static_cast<std::uint32_t>(wide);
    if (c < 0x10000) {
      units.push_back(static_cast<char16_t>(c));
    } else if (c <= 0x10FFFF) {
      units.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      units.push_back(kReplacementCharacter);
    }
  }
  return units;
}

std::wstring FromUtf16(std::u16string_view text) {
  std::wstring wide;
  wide.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto [c, units] = CharacterAt(text, i);
    wide.push_back(static_cast<wchar_t>(c));
    i += units;
  }
  return wide;
}

std::string ToUtf8(std::u16string_view text) {
  const auto carried = [&](std::size_t i) {
    const auto [c, units] = CharacterAt(text, i);
    const bool lone_surrogate = c >= 0xD800 && c <= 0xDFFF;
    return std::pair{lone_surrogate ? char32_t{kReplacementCharacter} : c, units};
  };
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto [c, units] = carried(i);
    length += Utf8Length(c);
    i += units;
  }
  std::string bytes(length, '\0');
  char* out = bytes.data();
  for (std::size_t i = 0; i < text.size();) {
    const auto [c, units] = carried(i);
    const std::size_t size = Utf8Length(c);
    if (size == 1) {
      *out++ = static_cast<char>(c);
    } else {
      constexpr unsigned char kLeads[] = {0, 0, 0xC0, 0xE0, 0xF0};
      *out++ = static_cast<char>(kLeads[size] | (c >> (6 * (size - 1))));
      for (std::size_t k = size - 1; k-- > 0;) {
        *out++ = static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
      }
    }
    i += units;
  }
  return bytes;
}

}  // namespace platform
