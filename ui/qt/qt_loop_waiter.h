// Lets the console's message loop and Qt's events share the user-interface thread: whenever the
// console's loop has nothing to do, it waits inside Qt's event processing, so windows repaint and
// a person's taps arrive, and work from other threads or a falling-due timer wakes it again. The
// console's loop stays the one that runs handlers; Qt only turns input into posted messages.
#pragma once

#include <QTimer>

#include "platform/terminal/message_loop.h"

class QAbstractEventDispatcher;

namespace ui {

class QtLoopWaiter final : public platform::LoopWaiter {
 public:
  // On the user-interface thread, after the QApplication exists.
  QtLoopWaiter();

  void Wait(std::unique_lock<std::mutex>& lock,
            std::optional<std::chrono::steady_clock::time_point> deadline) override;
  void Wake() override;

 private:
  QAbstractEventDispatcher* dispatcher_;
  QTimer deadline_timer_;  // only wakes Qt's wait; the console's loop fires its own timers
};

}  // namespace ui
