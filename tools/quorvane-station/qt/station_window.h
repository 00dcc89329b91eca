// The operator's window at the end of the line, all in one: who tests what along the top (the
// station, the operator, the plan and its revision), the line the operator's name and each
// serial number are entered in, the verdict banner, the unit's phases with the plan's question
// beside them when one stands, and the session's count at the bottom. Its text scales with the
// window, from a 1024 × 600 touch panel to a full-HD screen. It lives on the GUI thread and is
// driven from there only (the window desk carries the station loop's calls over).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QWidget>

#include "tools/quorvane-station/operator_desk.h"
#include "tools/quorvane-station/qt/entry_row.h"
#include "tools/quorvane-station/qt/prompt_panel.h"

class QLabel;

namespace station {

class PhaseTable;
class VerdictBanner;

class StationWindow : public QWidget {
 public:
  // `on_close`: what closing the window does besides (the station's stop).
  explicit StationWindow(std::function<void()> on_close);

  void ShowIdentity(const StationIdentity& identity);
  void ShowTally(const Tally& tally);
  void AskLine(EntryRow::Asking asking, const std::string& refusal, EntryRow::Answer answer);
  void EndLine();
  void AskPrompt(const plan::PromptStep& prompt, const PromptPicture& picture,
                 const std::string& refusal, PromptPanel::Answer answer);
  void EndPrompt();
  void ShowPhases(const std::string& unit, const std::vector<PhaseLine>& phases);
  void ShowVerdict(const std::string& unit, const Verdict& verdict);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<void()> on_close_;
  QLabel* identity_;
  EntryRow* entry_;
  VerdictBanner* banner_;
  PhaseTable* phases_;
  PromptPanel* prompt_;
  QLabel* tally_;
  // A serial number was entered since the last phases: the next ones begin its unit.
  bool unit_entered_ = true;
};

}  // namespace station
