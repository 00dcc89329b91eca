// How an edit control's characters are shown by a Qt text widget, one shown character for each
// character of the model, so that positions (caret, selection, replaced ranges) are the same
// numbers on both sides. A line ends at "\r\n": the "\r" is shown as an invisible zero-width
// character and the "\n" as the line break. A lone "\n" or "\r", as data from a device may bring,
// breaks the line too. Characters a Qt string cannot hold as one unit (beyond the basic plane,
// or no character at all) are shown as U+FFFD.
#pragma once

#include <cstddef>
#include <string_view>

#include <QString>

namespace ui {

// How the "\r" of a "\r\n" is shown.
inline constexpr char16_t kInvisibleCarriageReturn = u'\u200B';

// The shown form of text[start, end), which depends on the characters around it.
QString ShownCharacters(std::wstring_view text, std::size_t start, std::size_t end);

inline QString ShownCharacters(std::wstring_view text) {
  return ShownCharacters(text, 0, text.size());
}

// Whether how text[position] is shown depends on the character after it: whatever is put right
// behind it must be followed by showing it again.
inline bool ShownFormDependsOnNext(std::wstring_view text, std::size_t position) {
  return position < text.size() && text[position] == L'\r';
}

}  // namespace ui
