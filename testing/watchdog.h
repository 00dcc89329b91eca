// For tests of calls that must never wait: a call that hangs ends the test program with a message
// naming what hung, instead of stalling the suite until its time runs out.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace testing_support {

class Watchdog {
 public:
  // Aborts the program unless destroyed within `limit`.
  Watchdog(std::chrono::milliseconds limit, std::string what);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable done_changed_;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace testing_support
