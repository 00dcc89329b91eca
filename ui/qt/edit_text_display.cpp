#include "ui/qt/edit_text_display.h"

#include "platform/terminal/utf16.h"

namespace ui {

namespace {

constexpr char16_t kReplacementCharacter = u'\uFFFD';

// Qt's text document reserves these for frames; as text they would corrupt its structure.
bool IsReservedByQt(char16_t c) { return c == 0xFDD0 || c == 0xFDD1; }

bool PairsWithNext(std::u16string_view text, std::size_t i) {
  return platform::IsHighSurrogate(text[i]) && i + 1 < text.size() &&
         platform::IsLowSurrogate(text[i + 1]);
}

bool PairsWithPrevious(std::u16string_view text, std::size_t i) {
  return platform::IsLowSurrogate(text[i]) && i > 0 && platform::IsHighSurrogate(text[i - 1]);
}

}  // namespace

QString ShownCharacters(std::u16string_view text, std::size_t start, std::size_t end) {
  QString shown;
  shown.reserve(static_cast<qsizetype>(end - start));
  for (std::size_t i = start; i < end; ++i) {
    const char16_t c = text[i];
    if (c == u'\r') {
      const bool ends_line_with_next = i + 1 < text.size() && text[i + 1] == u'\n';
      shown.append(ends_line_with_next ? QChar(kInvisibleCarriageReturn) : QChar(u'\n'));
    } else if (platform::IsHighSurrogate(c) || platform::IsLowSurrogate(c)) {
      const bool paired = PairsWithNext(text, i) || PairsWithPrevious(text, i);
      shown.append(paired ? QChar(c) : QChar(kReplacementCharacter));
    } else {
      shown.append(QChar(IsReservedByQt(c) ? kReplacementCharacter : c));
    }
  }
  return shown;
}

bool ShownFormDependsOnNext(std::u16string_view text, std::size_t position) {
  return position < text.size() &&
         (text[position] == u'\r' || platform::IsHighSurrogate(text[position]));
}

bool ShownFormDependsOnPrevious(std::u16string_view text, std::size_t position) {
  return position < text.size() && platform::IsLowSurrogate(text[position]);
}

}  // namespace ui
