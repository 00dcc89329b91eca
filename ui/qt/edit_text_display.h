// How an edit control's text is shown by a Qt text widget, one shown unit for each UTF-16 unit of
// the model, so that positions (caret, selection, replaced ranges) are the same numbers on both
// sides. A line ends at "\r\n": the "\r" is shown as an invisible zero-width character and the
// "\n" as the line break. A lone "\n" or "\r", as data from a device may bring, breaks the line
// too. A surrogate pair is shown as the character it makes; a lone surrogate, and what Qt's
// document keeps for itself, as U+FFFD.
#pragma once

#include <cstddef>
#include <string_view>

#include <QString>

namespace ui {

// How the "\r" of a "\r\n" is shown.
inline constexpr char16_t kInvisibleCarriageReturn = u'\u200B';

// The shown form of text[start, end), which depends on the units around it.
QString ShownCharacters(std::u16string_view text, std::size_t start, std::size_t end);

inline QString ShownCharacters(std::u16string_view text) {
  return ShownCharacters(text, 0, text.size());
}

// Whether how text[position] is shown depends on the unit after it (a "\r", a high surrogate):
// whatever is put right behind it must be followed by showing it again.
bool ShownFormDependsOnNext(std::u16string_view text, std::size_t position);
// Whether how text[position] is shown depends on the unit before it (a low surrogate).
bool ShownFormDependsOnPrevious(std::u16string_view text, std::size_t position);

}  // namespace ui
