#include "tools/quorvane-station/qt/phase_table.h"

#include <QEvent>
#include <QHeaderView>
#include <QScroller>

#include "tools/quorvane-station/qt/station_look.h"

namespace station {

namespace {

enum Column { kName, kState, kDetail, kColumns };

QTableWidgetItem* Cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled);
  return item;
}

QString StateWord(PhaseState state) {
  switch (state) {
    case PhaseState::kWaiting:
      return QStringLiteral("waiting");
    case PhaseState::kRunning:
      return QStringLiteral("running");
    case PhaseState::kPass:
      return QStringLiteral("PASS");
    case PhaseState::kMarginal:
      return QStringLiteral("MARGINAL");
    case PhaseState::kFail:
      return QStringLiteral("FAIL");
    case PhaseState::kError:
      return QStringLiteral("ERROR");
    case PhaseState::kTimeout:
      return QStringLiteral("TIMEOUT");
    case PhaseState::kAborted:
      return QStringLiteral("ABORTED");
    case PhaseState::kSkipped:
      return QStringLiteral("skipped");
  }
  return {};
}

}  // namespace

PhaseTable::PhaseTable(QWidget* parent) : QTableWidget(0, kColumns, parent) {
  setObjectName(QStringLiteral("phases"));
  setHorizontalHeaderLabels(
      {QStringLiteral("Phase"), QStringLiteral("Result"), QStringLiteral("Detail")});
  verticalHeader()->hide();
  horizontalHeader()->setSectionResizeMode(kName, QHeaderView::ResizeToContents);
  horizontalHeader()->setSectionResizeMode(kState, QHeaderView::ResizeToContents);
  horizontalHeader()->setSectionResizeMode(kDetail, QHeaderView::Stretch);
  setWordWrap(true);
  setSelectionMode(QAbstractItemView::NoSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The serial number field keeps the keyboard, so a scanner's line never lands here.
  setFocusPolicy(Qt::NoFocus);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
}

void PhaseTable::Show(const std::vector<PhaseLine>& phases) {
  setRowCount(static_cast<int>(phases.size()));
  int in_view = -1;
  for (int row = 0; row < rowCount(); ++row) {
    const PhaseLine& phase = phases[static_cast<std::size_t>(row)];
    setItem(row, kName, Cell(Displayed(phase.name)));
    QTableWidgetItem* state = Cell(StateWord(phase.state));
    const Shade shade = ShadeOf(ToneOf(phase.state));
    state->setBackground(shade.background);
    state->setForeground(shade.text);
    state->setTextAlignment(Qt::AlignCenter);
    setItem(row, kState, state);
    setItem(row, kDetail, Cell(Displayed(phase.detail)));
    if (phase.state != PhaseState::kWaiting) in_view = row;
  }
  resizeRowsToContents();
  if (in_view >= 0) scrollToItem(item(in_view, kName));
}

void PhaseTable::changeEvent(QEvent* event) {
  QTableWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    horizontalHeader()->setFont(font());
    resizeRowsToContents();
  }
}

}  // namespace station
