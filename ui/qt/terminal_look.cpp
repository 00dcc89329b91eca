#include "ui/qt/terminal_look.h"

#include <QApplication>
#include <QFont>
#include <QStyle>
#include <QStyleFactory>

#include "ui/qt/dialog_units.h"

namespace ui {

std::unique_ptr<QApplication> MakeTerminalApplication(int& argc, char** argv) {
  // The dialog is laid out in the terminal's screen pixels, at 96 dots per inch whatever density
  // a screen reports: a small 800 × 480 panel reports 100 to 140, which would make Qt scale the
  // dialog beyond the panel and draw radio buttons too big for their captions. Only the whole
  // factors of a dense desktop screen (200 %) are kept.
  QCoreApplication::setAttribute(Qt::AA_Use96Dpi);
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
      Qt::HighDpiScaleFactorRoundingPolicy::RoundPreferFloor);
  auto application = std::make_unique<QApplication>(argc, argv);
  application->setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  application->setPalette(application->style()->standardPalette());
  QFont font(QString::fromLatin1(kDialogFontFamily));
  font.setPixelSize(kDialogFontPixels);
  font.setHintingPreference(QFont::PreferFullHinting);
  application->setFont(font);
  return application;
}

}  // namespace ui
