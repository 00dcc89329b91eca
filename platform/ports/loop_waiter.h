// How an idle message loop waits for work: the port through which a front end lets the loop
// wait inside its own toolkit's event processing. Without one the loop waits on a condition
// variable.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>

namespace platform {

class LoopWaiter {
 public:
  virtual ~LoopWaiter() = default;
  // Called on the loop's thread with `lock` held; returns when woken or at the deadline (spurious
  // returns are fine). May unlock meanwhile.
  virtual void Wait(std::unique_lock<std::mutex>& lock,
                    std::optional<std::chrono::steady_clock::time_point> deadline) = 0;
  // Called from any thread with the loop's mutex held.
  virtual void Wake() = 0;
};

}  // namespace platform
