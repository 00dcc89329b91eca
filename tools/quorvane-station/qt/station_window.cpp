#include "tools/quorvane-station/qt/station_window.h"

#include <algorithm>
#include <string>
#include <string_view>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "tools/quorvane-station/qt/phase_table.h"
#include "tools/quorvane-station/qt/station_look.h"
#include "tools/quorvane-station/qt/verdict_banner.h"

namespace station {

namespace {

constexpr int kDefaultWidth = 1024;
constexpr int kDefaultHeight = 600;
// The window's text: a thirtieth of its height (20 pixels on a 1024 × 600 panel), narrower when
// a wide window is short, never below what a person reads at arm's length.
constexpr int kLinesPerHeight = 30;
constexpr int kLettersPerWidth = 50;
constexpr int kSmallestText = 12;
constexpr qsizetype kShortRevisionLength = 12;

QLabel* PlainLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QString Percent(int part, int whole) {
  if (whole <= 0) return QStringLiteral("–");
  return QString::number(100.0 * part / whole, 'f', 0) + QStringLiteral(" %");
}

// The revision as the window shows it: the hash's first characters, as people quote one, without
// the name of the hash that the records give it.
QString ShortRevision(const std::string& revision) {
  constexpr std::string_view kHashName = "sha256:";
  const std::string hash =
      revision.starts_with(kHashName) ? revision.substr(kHashName.size()) : revision;
  return Displayed(hash).left(kShortRevisionLength);
}

}  // namespace

StationWindow::StationWindow(std::function<void()> on_close)
    : on_close_(std::move(on_close)),
      identity_(PlainLabel(this)),
      entry_(new EntryRow(this)),
      banner_(new VerdictBanner(this)),
      phases_(new PhaseTable(this)),
      prompt_(new PromptPanel(this)),
      tally_(PlainLabel(this)) {
  setWindowTitle(QStringLiteral("Quorvane station"));
  identity_->setObjectName(QStringLiteral("identity"));
  identity_->setAutoFillBackground(true);
  QPalette dark = identity_->palette();
  dark.setColor(QPalette::Window, QColor(0x26, 0x32, 0x38));
  dark.setColor(QPalette::WindowText, Qt::white);
  identity_->setPalette(dark);
  identity_->setContentsMargins(8, 4, 8, 4);
  tally_->setObjectName(QStringLiteral("tally"));

  auto* work = new QHBoxLayout;
  work->addWidget(phases_, 3);
  work->addWidget(prompt_, 2);
  auto* column = new QVBoxLayout(this);
  column->addWidget(identity_);
  column->addWidget(entry_);
  column->addWidget(banner_);
  column->addLayout(work, 1);
  column->addWidget(tally_);
  ShowIdentity({});
  ShowTally({});
  resize(kDefaultWidth, kDefaultHeight);
}

void StationWindow::ShowIdentity(const StationIdentity& identity) {
  identity_->setText(QStringLiteral("Station %1   ·   Operator %2   ·   Plan %3   ·   Revision %4")
                         .arg(Displayed(identity.station), Displayed(identity.operator_name),
                              Displayed(identity.plan), ShortRevision(identity.revision)));
}

void StationWindow::ShowTally(const Tally& tally) {
  tally_->setText(QStringLiteral("Units %1   ·   Runs %2   ·   Passed %3   ·   First-pass yield %4")
                      .arg(tally.units)
                      .arg(tally.runs)
                      .arg(tally.passed)
                      .arg(Percent(tally.first_pass, tally.units)));
}

void StationWindow::AskLine(EntryRow::Asking asking, const std::string& refusal,
                            EntryRow::Answer answer) {
  if (asking == EntryRow::Asking::kSerial) {
    answer = [this, answer = std::move(answer)](std::string line) {
      unit_entered_ = true;
      answer(std::move(line));
    };
  }
  entry_->Ask(asking, Displayed(refusal), std::move(answer));
}

void StationWindow::EndLine() { entry_->End(); }

void StationWindow::AskPrompt(const plan::PromptStep& prompt, const PromptPicture& picture,
                              const std::string& refusal, PromptPanel::Answer answer) {
  prompt_->Ask(prompt, picture, Displayed(refusal), std::move(answer));
}

void StationWindow::EndPrompt() { prompt_->End(); }

void StationWindow::ShowPhases(const std::string& unit, const std::vector<PhaseLine>& phases) {
  if (unit_entered_) banner_->ShowTesting(Displayed(unit));
  unit_entered_ = false;
  phases_->Show(phases);
}

void StationWindow::ShowVerdict(const std::string& unit, const Verdict& verdict) {
  banner_->ShowVerdict(Displayed(unit), verdict);
}

void StationWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int text_pixels =
      std::max(kSmallestText, std::min(height() / kLinesPerHeight, width() / kLettersPerWidth));
  QFont text = font();
  text.setPixelSize(text_pixels);
  setFont(text);
  banner_->ScaleText(text_pixels);
  MakeTouchable(*this);
}

void StationWindow::closeEvent(QCloseEvent* event) {
  on_close_();
  event->accept();
}

}  // namespace station
