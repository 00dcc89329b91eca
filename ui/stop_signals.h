// Ending the console by signal: SIGTERM (a polite kill), SIGINT (Ctrl-C) and SIGHUP (a closed
// terminal) end it cleanly at any moment. While it starts and nothing needs taking away yet, a
// signal ends it at once; once the board's serial lines are made, start-up stops at its next step
// and takes the board down again; once the dialog stands, a signal closes it the way its close
// button does, so that the dialog's clean-up (the storage test files, the serial port) still
// runs, and a restart the dialog asked for does not happen. A watcher thread reads the signals
// from a signalfd, which is why they are blocked in every thread; once it has stopped, a signal
// stays pending, and blocked across an exec it ends the new image's start-up at once.
#pragma once

#include <mutex>
#include <optional>
#include <thread>

#include "platform/linux/posix_calls.h"
#include "platform/terminal/win_types.h"

namespace ui {

class StopOnSignals {
 public:
  // Blocks the stop signals in the calling thread and every thread it starts later, and starts
  // the watcher; call it before any other thread exists.
  StopOnSignals();
  ~StopOnSignals();
  StopOnSignals(const StopOnSignals&) = delete;
  StopOnSignals& operator=(const StopOnSignals&) = delete;

  // From now on start-up makes things that must be taken away: a signal is held for Held().
  void Hold();
  // The first signal held since Hold, if one came.
  std::optional<int> Held() const;
  // From now on a signal closes `window`; one held closes it now.
  void Watch(HWND window);
  // The window is going: later signals close nothing, the program is ending (or starting again,
  // which a stop still prevents).
  void StopWatching();
  // Stops the watcher for good; from now on the stop signals stay pending (PendingStopSignal).
  void EndWatching();
  // Whether a stop signal came once the dialog stood: the program is not to start again.
  bool StopCame() const;

 private:
  enum class Stage { kEndAtOnce, kHold, kCloseWindow, kEnding };

  void WatchSignals();
  void OnSignal(int signal);

  mutable std::mutex mutex_;
  Stage stage_ = Stage::kEndAtOnce;
  std::optional<int> held_;
  bool stop_came_ = false;
  HWND window_ = nullptr;
  platform::posix::UniqueFd signals_;
  platform::posix::WakeFd stop_watching_;
  std::thread watcher_;
};

// The stop signal pending for this thread or the process, if one is; only once nothing reads
// them (EndWatching).
std::optional<int> PendingStopSignal();

// Notes on standard error that start-up ended by `signal`; returns the status for it, 128 and
// the signal's number, as a shell reports a program a signal ended.
int StartUpEndedBy(int signal);

}  // namespace ui
