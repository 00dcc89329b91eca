#include "ui/headless/flushing_loop_waiter.h"

namespace ui {

void FlushingLoopWaiter::Wait(std::unique_lock<std::mutex>& lock,
                              std::optional<std::chrono::steady_clock::time_point> deadline) {
  // The loop's mutex is let go while writing: a reader that is slow to empty a pipe must not
  // keep the serial threads from handing over their bursts.
  lock.unlock();
  std::fflush(out_);
  lock.lock();
  if (!woken_) {
    if (deadline) {
      wake_.wait_until(lock, *deadline, [this] { return woken_; });
    } else {
      wake_.wait(lock, [this] { return woken_; });
    }
  }
  woken_ = false;
}

void FlushingLoopWaiter::Wake() {
  woken_ = true;
  wake_.notify_one();
}

}  // namespace ui
