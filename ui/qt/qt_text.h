// Texts between Qt and the window model (UTF-16, as a QString) or the console (wchar_t).
#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace ui {

inline QString ToQString(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

inline QString ToQString(std::wstring_view text) {
  return QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::wstring ToWide(const QString& text) { return text.toStdWString(); }

}  // namespace ui
