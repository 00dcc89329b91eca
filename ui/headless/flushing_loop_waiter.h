// How the console without a screen waits for work: standard output is written out just before
// the user-interface thread goes idle, not after every append, so a flood of bursts costs one
// write a burst instead of one a line, and nothing is left unwritten while the console has
// nothing to do.
#pragma once

#include <condition_variable>
#include <cstdio>

#include "platform/ports/loop_waiter.h"

namespace ui {

class FlushingLoopWaiter final : public platform::LoopWaiter {
 public:
  explicit FlushingLoopWaiter(std::FILE* out) : out_(out) {}

  void Wait(std::unique_lock<std::mutex>& lock,
            std::optional<std::chrono::steady_clock::time_point> deadline) override;
  void Wake() override;

 private:
  std::FILE* out_;
  std::condition_variable wake_;
  bool woken_ = false;  // guarded by the loop's mutex, which Wait and Wake are called with
};

}  // namespace ui
