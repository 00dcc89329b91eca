#include "sender/text_reply.h"

#include <algorithm>
#include <cstring>

#include "platform/terminal/utf16.h"

namespace sender {

namespace {

constexpr std::string_view kHead = R"({"ok":true,"text":")";
constexpr std::string_view kTail = "\"}\n";

// Only these units are escaped; everything else, past ASCII too, stands as its UTF-8.
bool Escaped(char16_t unit) { return unit < 0x20 || unit == u'"' || unit == u'\\'; }

// A unit's escape, as the JSON library writes it: the short forms where JSON has one, \u00XX
// (lower-case hex) for the other control characters.
std::string_view EscapeOf(char16_t unit, char (&buffer)[6]) {
  switch (unit) {
    case u'"':
      return "\\\"";
    case u'\\':
      return "\\\\";
    case u'\b':
      return "\\b";
    case u'\f':
      return "\\f";
    case u'\n':
      return "\\n";
    case u'\r':
      return "\\r";
    case u'\t':
      return "\\t";
    default: {
      constexpr char kHex[] = "0123456789abcdef";
      std::memcpy(buffer, "\\u00", 4);
      buffer[4] = kHex[unit >> 4];
      buffer[5] = kHex[unit & 0xF];
      return {buffer, 6};
    }
  }
}

// Calls `run` for each stretch of `text` that stands as it is and `escape` for each unit between
// them, in order. Escaped units are ASCII, so no stretch ends inside a surrogate pair.
template <class Run, class Escape>
void Walk(std::u16string_view text, Run run, Escape escape) {
  for (auto from = text.begin(); from != text.end();) {
    const auto to = std::find_if(from, text.end(), Escaped);
    if (to != from) run(std::u16string_view(from, to));
    if (to == text.end()) break;
    escape(*to);
    from = to + 1;
  }
}

}  // namespace

std::string EncodeTextReply(std::u16string_view text) {
  char buffer[6];
  std::size_t size = kHead.size() + kTail.size();
  Walk(
      text, [&](std::u16string_view run) { size += platform::Utf8Size(run); },
      [&](char16_t unit) { size += EscapeOf(unit, buffer).size(); });

  std::string line(size, '\0');
  char* out = std::copy(kHead.begin(), kHead.end(), line.data());
  Walk(
      text, [&](std::u16string_view run) { out = platform::WriteUtf8(run, out); },
      [&](char16_t unit) {
        const std::string_view escape = EscapeOf(unit, buffer);
        out = std::copy(escape.begin(), escape.end(), out);
      });
  std::copy(kTail.begin(), kTail.end(), out);
  return line;
}

}  // namespace sender
