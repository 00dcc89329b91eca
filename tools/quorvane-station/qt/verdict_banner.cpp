#include "tools/quorvane-station/qt/verdict_banner.h"

#include <QLabel>
#include <QVBoxLayout>

namespace station {

namespace {

// The verdict's word is four times the window's text, its detail half as large again.
constexpr int kWordScale = 4;
constexpr double kDetailScale = 1.5;

}  // namespace

VerdictBanner::VerdictBanner(QWidget* parent)
    : QFrame(parent), word_(new QLabel(this)), detail_(new QLabel(this)) {
  setObjectName(QStringLiteral("verdict"));
  setAutoFillBackground(true);
  for (QLabel* label : {word_, detail_}) {
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
  }
  detail_->setWordWrap(true);
  auto* column = new QVBoxLayout(this);
  column->addWidget(word_);
  column->addWidget(detail_);
  ShowReady();
}

void VerdictBanner::ShowReady() {
  Show(Tone::kQuiet, QStringLiteral("READY"), QStringLiteral("Scan the unit's serial number"));
}

void VerdictBanner::ShowTesting(const QString& unit) {
  Show(Tone::kBusy, QStringLiteral("TESTING"), unit);
}

void VerdictBanner::ShowVerdict(const QString& unit, const Verdict& verdict) {
  QString word = Displayed(verdict.word);
  // The amber alone would leave a colour-blind operator with a plain PASS.
  if (verdict.colour == VerdictColour::kMarginal) word += QStringLiteral(" (marginal)");
  QString detail = unit;
  if (!verdict.detail.empty()) detail += QStringLiteral(": ") + Displayed(verdict.detail);
  Show(ToneOf(verdict.colour), word, detail);
}

void VerdictBanner::ScaleText(int text_pixels) {
  QFont word_font = font();
  word_font.setBold(true);
  word_font.setPixelSize(text_pixels * kWordScale);
  word_->setFont(word_font);
  QFont detail_font = font();
  detail_font.setPixelSize(static_cast<int>(text_pixels * kDetailScale));
  detail_->setFont(detail_font);
}

void VerdictBanner::Show(Tone tone, const QString& word, const QString& detail) {
  const Shade shade = ShadeOf(tone);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, shade.background);
  colours.setColor(QPalette::WindowText, shade.text);
  setPalette(colours);
  word_->setText(word);
  detail_->setText(detail);
}

}  // namespace station
