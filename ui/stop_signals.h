// Ctrl-C or a polite kill ends the console the way its close button does, so that the dialog's
// clean-up (the storage test files, the serial port) still runs.
#pragma once

#include <thread>

#include "platform/terminal/win_types.h"

namespace ui {

class StopOnSignals {
 public:
  // Blocks SIGINT and SIGTERM in the calling thread and every thread it starts later; call it
  // before any other thread exists.
  StopOnSignals();
  ~StopOnSignals();
  StopOnSignals(const StopOnSignals&) = delete;
  StopOnSignals& operator=(const StopOnSignals&) = delete;

  // From now on a signal closes `window`.
  void Watch(HWND window);

 private:
  std::thread watcher_;
};

}  // namespace ui
