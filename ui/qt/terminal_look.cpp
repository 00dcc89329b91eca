#include "ui/qt/terminal_look.h"

#include <cstdlib>

#include <QApplication>
#include <QFont>
#include <QStyle>
#include <QStyleFactory>

#include "ui/qt/dialog_units.h"

namespace ui {

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

void ApplyTerminalLook(QApplication& application) {
  application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  application.setPalette(application.style()->standardPalette());
  QFont font(QString::fromLatin1(kDialogFontFamily));
  font.setPixelSize(kDialogFontPixels);
  font.setHintingPreference(QFont::PreferFullHinting);
  application.setFont(font);
}

bool ScreenAvailable() {
  return IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

}  // namespace ui
