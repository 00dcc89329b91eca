// The station's operator desk as a window (StationWindow): the station loop calls it from its
// own thread, and each call is carried over to the GUI thread, which owns the window. What the
// loop shows is queued and returns at once; what it asks waits until the operator answers in the
// window or a stop comes. Closing the window raises the station's stop: between units the
// station ends, during one the run stops as Ctrl-C stops it.
#pragma once

#include <functional>
#include <memory>

#include "tools/quorvane-station/operator_desk.h"
#include "tools/quorvane-station/qt/answer_slot.h"
#include "tools/quorvane-station/qt/entry_row.h"
#include "tools/quorvane-station/qt/gui_thread_queue.h"

class QWidget;

namespace station {

class StationWindow;

class WindowDesk final : public OperatorDesk {
 public:
  // On the GUI thread, once the QApplication exists; the window is made but not shown. Throws
  // std::system_error when the eventfds cannot be made.
  explicit WindowDesk(plan::StopRequest& stop);
  // On the GUI thread, once the station loop's thread has ended.
  ~WindowDesk() override;
  WindowDesk(const WindowDesk&) = delete;
  WindowDesk& operator=(const WindowDesk&) = delete;

  // The window, to show (full screen on a touch panel) and, for tests, to look at; GUI thread.
  QWidget& window();

  std::optional<std::string> AskOperator(const plan::StopRequest& stop) override;
  void ShowIdentity(const StationIdentity& identity) override;
  std::optional<std::string> AskSerial(const std::string& refusal, const Tally& tally,
                                       const plan::StopRequest& stop) override;
  void ShowPhases(const std::string& unit, const std::vector<PhaseLine>& phases) override;
  void ShowVerdict(const std::string& unit, const Verdict& verdict, const Tally& tally) override;
  std::optional<std::string> Ask(const plan::PromptStep& prompt, const plan::StopRequest& stop,
                                 std::string& why) override;
  std::string AnsweredBy() const override { return "operator"; }

 private:
  // Asks for a line in the window's entry field.
  std::optional<std::string> AskLine(EntryRow::Asking asking, const std::string& refusal,
                                     const plan::StopRequest& stop);
  // What hands the operator's answer to question `question` over to the waiting loop.
  std::function<void(std::string)> AnswerTo(int question);

  AnswerSlot answers_;
  GuiThreadQueue gui_;
  std::unique_ptr<StationWindow> window_;
};

}  // namespace station
