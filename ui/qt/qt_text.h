// Texts between the window model (wchar_t) and Qt.
#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace ui {

inline QString ToQString(std::wstring_view text) {
  return QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::wstring ToWide(const QString& text) { return text.toStdWString(); }

}  // namespace ui
