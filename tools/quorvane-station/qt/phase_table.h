// The unit's phases as the station window lists them: one row each, its name, how it stands
// (waiting, running, PASS, MARGINAL, FAIL, ERROR, TIMEOUT, ABORTED, skipped) in its shade, and
// the detail (the attempt, the failing measurement with its limits, why it was skipped). The
// list is redrawn whole at each change and keeps the running phase in view; a finger drags it.
#pragma once

#include <vector>

#include <QTableWidget>

#include "tools/quorvane-station/operator_desk.h"

namespace station {

class PhaseTable : public QTableWidget {
 public:
  explicit PhaseTable(QWidget* parent);

  void Show(const std::vector<PhaseLine>& phases);

 protected:
  void changeEvent(QEvent* event) override;
};

}  // namespace station
