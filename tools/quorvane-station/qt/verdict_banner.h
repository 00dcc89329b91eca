// The banner across the station window, to be read from two metres: READY before the first
// unit, TESTING while a unit runs, then the unit's verdict (green PASS, amber marginal PASS, red
// FAIL, ERROR, TIMEOUT or ABORTED with the first failing measurement), which stays while the
// operator swaps units, until the next one starts.
#pragma once

#include <QFrame>

#include "tools/quorvane-station/operator_desk.h"
#include "tools/quorvane-station/qt/station_look.h"

class QLabel;

namespace station {

class VerdictBanner : public QFrame {
 public:
  explicit VerdictBanner(QWidget* parent);

  void ShowReady();
  void ShowTesting(const QString& unit);
  void ShowVerdict(const QString& unit, const Verdict& verdict);
  // The text in proportion to the window's: `text_pixels` is the window's letter height.
  void ScaleText(int text_pixels);

 private:
  void Show(Tone tone, const QString& word, const QString& detail);

  QLabel* word_;
  QLabel* detail_;
};

}  // namespace station
