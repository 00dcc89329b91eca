#include "tools/quorvane-station/qt/station_look.h"

#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>

namespace station {

namespace {

constexpr qsizetype kMaxDisplayedCharacters = 400;
constexpr double kTouchScale = 2.2;

}  // namespace

std::unique_ptr<QApplication> MakeStationApplication(int& argc, char** argv) {
  auto application = std::make_unique<QApplication>(argc, argv);
  application->setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  application->setPalette(application->style()->standardPalette());
  application->setFont(QFont(QString::fromLatin1(kStationFontFamily)));
  return application;
}

Shade ShadeOf(Tone tone) {
  switch (tone) {
    case Tone::kQuiet:
      return {QColor(0xE0, 0xE0, 0xE0), QColor(0x21, 0x21, 0x21)};
    case Tone::kBusy:
      return {QColor(0x15, 0x65, 0xC0), Qt::white};
    case Tone::kPass:
      return {QColor(0x2E, 0x7D, 0x32), Qt::white};
    case Tone::kMarginal:
      return {QColor(0xFF, 0xB3, 0x00), Qt::black};
    case Tone::kFail:
      return {QColor(0xC6, 0x28, 0x28), Qt::white};
  }
  return ShadeOf(Tone::kQuiet);
}

Tone ToneOf(PhaseState state) {
  switch (state) {
    case PhaseState::kWaiting:
    case PhaseState::kSkipped:
      return Tone::kQuiet;
    case PhaseState::kRunning:
      return Tone::kBusy;
    case PhaseState::kPass:
      return Tone::kPass;
    case PhaseState::kMarginal:
      return Tone::kMarginal;
    case PhaseState::kFail:
    case PhaseState::kError:
    case PhaseState::kTimeout:
    case PhaseState::kAborted:
      return Tone::kFail;
  }
  return Tone::kQuiet;
}

Tone ToneOf(VerdictColour colour) {
  switch (colour) {
    case VerdictColour::kPass:
      return Tone::kPass;
    case VerdictColour::kMarginal:
      return Tone::kMarginal;
    case VerdictColour::kFail:
      return Tone::kFail;
  }
  return Tone::kFail;
}

void MakeTouchable(QWidget& root) {
  const int height = static_cast<int>(QFontInfo(root.font()).pixelSize() * kTouchScale);
  for (QPushButton* button : root.findChildren<QPushButton*>()) button->setMinimumHeight(height);
  for (QLineEdit* field : root.findChildren<QLineEdit*>()) field->setMinimumHeight(height);
}

QString Displayed(const std::string& text) {
  QString shown = QString::fromStdString(text);
  if (shown.size() > kMaxDisplayedCharacters) {
    shown.truncate(kMaxDisplayedCharacters);
    shown += QChar(0x2026);
  }
  return shown;
}

}  // namespace station
