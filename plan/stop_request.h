// A request to stop the run, counted: the first stops the current step and skips what is left
// before teardown, the second also skips what is left of teardown. Signal handlers raise it, so
// it is a lock-free atomic counter and nothing more.
#pragma once

#include <atomic>
#include <chrono>

namespace plan {

class StopRequest {
 public:
  void Raise() { count_.fetch_add(1, std::memory_order_relaxed); }
  int count() const { return count_.load(std::memory_order_relaxed); }
  bool stopping() const { return count() > 0; }

  // Sleeps for `duration` or until a stop comes; false when a stop came.
  bool SleepFor(std::chrono::milliseconds duration, int stops_allowed = 0) const;

 private:
  std::atomic<int> count_{0};
  static_assert(std::atomic<int>::is_always_lock_free);
};

}  // namespace plan
