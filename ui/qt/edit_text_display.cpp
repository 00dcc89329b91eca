#include "ui/qt/edit_text_display.h"

namespace ui {

namespace {

constexpr char16_t kReplacementCharacter = u'\uFFFD';

// Qt's text document reserves these for frames; as text they would corrupt its structure.
bool IsReservedByQt(wchar_t c) { return c == 0xFDD0 || c == 0xFDD1; }

bool IsSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }

}  // namespace

QString ShownCharacters(std::wstring_view text, std::size_t start, std::size_t end) {
  QString shown;
  shown.reserve(static_cast<qsizetype>(end - start));
  for (std::size_t i = start; i < end; ++i) {
    const wchar_t c = text[i];
    const auto code = static_cast<std::uint32_t>(c);
    if (c == L'\r') {
      const bool ends_line_with_next = i + 1 < text.size() && text[i + 1] == L'\n';
      shown.append(ends_line_with_next ? QChar(kInvisibleCarriageReturn) : QChar(u'\n'));
    } else if (code > 0xFFFF || IsSurrogate(c) || IsReservedByQt(c)) {
      shown.append(QChar(kReplacementCharacter));
    } else {
      shown.append(QChar(static_cast<char16_t>(code)));
    }
  }
  return shown;
}

}  // namespace ui
