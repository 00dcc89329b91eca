#include "platform/terminal/edit_capacity.h"

#include "platform/terminal/utf16.h"

namespace platform {

namespace {

bool StartsLine(std::u16string_view text, std::size_t position) {
  if (position == 0) return true;
  const char16_t before = text[position - 1];
  if (before == u'\n') return true;
  return before == u'\r' && (position == text.size() || text[position] != u'\n');
}

}  // namespace

std::size_t UnitsToDrop(std::u16string_view text, std::size_t capacity) {
  if (text.size() <= capacity) return 0;
  const std::size_t kept = capacity - capacity / 8;
  const std::size_t least = text.size() - kept;
  for (std::size_t cut = least; cut < text.size(); ++cut) {
    if (StartsLine(text, cut)) return cut;
  }
  // The newest line alone is too long: keep its newest part, whole characters only.
  const bool splits_pair = least > 0 && least < text.size() && IsHighSurrogate(text[least - 1]) &&
                           IsLowSurrogate(text[least]);
  return splits_pair ? least + 1 : least;
}

}  // namespace platform
