#include "platform/terminal/utf16.h"

#include <array>
#include <cstdint>
#include <cstring>
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

// Long runs of ASCII or basic-plane text go in blocks of a fixed size, tested and copied without
// a branch for every unit.
constexpr std::size_t kBlock = 16;

// Whether the block at text[i] is whole and all its units are below `kLimit`, a power of two.
template <std::uint32_t kLimit, class Unit>
bool BlockBelow(std::basic_string_view<Unit> text, std::size_t i) {
  if (text.size() - i < kBlock) return false;
  std::uint32_t all = 0;
  for (std::size_t k = 0; k < kBlock; ++k) all |= static_cast<std::uint32_t>(text[i + k]);
  return all < kLimit;
}

// Copies the block at text[i], every unit narrowed as it is, and moves on past it.
template <class From, class To>
void CopyBlock(std::basic_string_view<From> text, std::size_t& i, To*& out) {
  std::array<To, kBlock> block;
  for (std::size_t k = 0; k < kBlock; ++k) block[k] = static_cast<To>(text[i + k]);
  std::memcpy(out, block.data(), sizeof block);
  i += kBlock;
  out += kBlock;
}

std::size_t Utf8Length(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

}  // namespace

std::u16string ToUtf16(std::wstring_view text) {
  // Counted first so that the common text, all in the basic plane, is written in one pass.
  std::size_t pairs = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (BlockBelow<0x10000>(text, i)) {
      i += kBlock;
      continue;
    }
    const auto c = static_cast<std::uint32_t>(text[i++]);
    pairs += c >= 0x10000 && c <= 0x10FFFF;
  }
  std::u16string units(text.size() + pairs, u'\0');
  char16_t* out = units.data();
  for (std::size_t i = 0; i < text.size();) {
    if (BlockBelow<0x10000>(text, i)) {
      CopyBlock(text, i, out);
      continue;
    }
    const auto c = static_cast<std::uint32_t>(text[i++]);
    if (c < 0x10000) {
      *out++ = static_cast<char16_t>(c);
    } else if (c <= 0x10FFFF) {
      *out++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      *out++ = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      *out++ = kReplacementCharacter;
    }
  }
  return units;
}

std::wstring FromUtf16(std::u16string_view text) {
  std::wstring wide(text.size(), L'\0');  // a pair makes it one shorter
  wchar_t* out = wide.data();
  for (std::size_t i = 0; i < text.size();) {
    if (BlockBelow<0x8000>(text, i)) {  // no surrogate lies below U+8000
      CopyBlock(text, i, out);
      continue;
    }
    const auto [c, units] = CharacterAt(text, i);
    *out++ = static_cast<wchar_t>(c);
    i += units;
  }
  wide.resize(static_cast<std::size_t>(out - wide.data()));
  return wide;
}

std::size_t Utf8Size(std::u16string_view text) {
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (BlockBelow<0x80>(text, i)) {
      bytes += kBlock;
      i += kBlock;
      continue;
    }
    const auto [c, units] = CharacterAt(text, i);
    bytes += Utf8Length(c);  // a lone surrogate's U+FFFD takes three bytes, as the surrogate does
    i += units;
  }
  return bytes;
}

char* WriteUtf8(std::u16string_view text, char* out) {
  for (std::size_t i = 0; i < text.size();) {
    if (BlockBelow<0x80>(text, i)) {
      CopyBlock(text, i, out);
      continue;
    }
    if (text[i] < 0x80) {
      *out++ = static_cast<char>(text[i++]);
      continue;
    }
    auto [c, units] = CharacterAt(text, i);
    if (c >= 0xD800 && c <= 0xDFFF) c = kReplacementCharacter;  // a lone surrogate
    const std::size_t size = Utf8Length(c);
    constexpr unsigned char kLeads[] = {0, 0, 0xC0, 0xE0, 0xF0};
    *out++ = static_cast<char>(kLeads[size] | (c >> (6 * (size - 1))));
    for (std::size_t k = size - 1; k-- > 0;) {
      *out++ = static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
    }
    i += units;
  }
  return out;
}

std::string ToUtf8(std::u16string_view text) {
  std::string bytes(Utf8Size(text), '\0');
  WriteUtf8(text, bytes.data());
  return bytes;
}

}  // namespace platform
