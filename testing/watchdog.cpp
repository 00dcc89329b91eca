#include "testing/watchdog.h"

#include <cstdio>
#include <cstdlib>

namespace testing_support {

Watchdog::Watchdog(std::chrono::milliseconds limit, std::string what)
    : thread_([this, limit, what = std::move(what)] {
        std::unique_lock lock(mutex_);
        if (done_changed_.wait_for(lock, limit, [this] { return done_; })) return;
        // On standard output, where the test's report goes: the test may hold standard error.
        std::printf("watchdog: %s did not return within %lld ms\n", what.c_str(),
                    static_cast<long long>(limit.count()));
        std::fflush(stdout);
        std::abort();
      }) {}

Watchdog::~Watchdog() {
  {
    const std::lock_guard lock(mutex_);
    done_ = true;
  }
  done_changed_.notify_one();
  thread_.join();
}

}  // namespace testing_support
