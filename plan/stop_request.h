// A request to stop the run, counted: the first stops the current step and skips what is left
// before teardown, the second also skips what is left of teardown. Signal handlers raise it, so
// raising is a lock-free atomic count and a write to an eventfd, nothing more. Each wait of the
// runner (a pause, an exchange with the console, a question on the terminal) polls the eventfd
// of the stop that ends it, so that the teardown begins as soon as the operator asks.
#pragma once

#include <array>
#include <atomic>
#include <chrono>

#include "platform/linux/posix_calls.h"

namespace plan {

class StopRequest {
 public:
  // Throws std::system_error when the eventfds cannot be made.
  StopRequest();
  StopRequest(const StopRequest&) = delete;
  StopRequest& operator=(const StopRequest&) = delete;

  // Async-signal-safe.
  void Raise();
  int count() const { return count_.load(std::memory_order_relaxed); }
  bool stopping() const { return count() > 0; }

  // A descriptor that turns readable once more than `stops_allowed` stops came; -1 for a wait
  // that goes on through any number of them.
  int WakeDescriptor(int stops_allowed) const;

  // Sleeps for `duration` or until more than `stops_allowed` stops came; false when they did.
  bool SleepFor(std::chrono::milliseconds duration, int stops_allowed = 0) const;

 private:
  std::atomic<int> count_{0};
  static_assert(std::atomic<int>::is_always_lock_free);
  std::array<platform::posix::WakeFd, 2> wake_;  // the first stop's, the second's; never drained
};

}  // namespace plan
