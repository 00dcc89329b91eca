// How every thread here waits on descriptors: until one it watches is ready, another thread (or
// a signal handler) raises the wake descriptor that calls the wait off, or a deadline on the
// steady clock passes, whichever comes first. A wait belongs to the thread that waits; only the
// wake descriptor crosses threads. A signal that cuts the wait short is waited out, so callers
// never see a wake-up that nothing caused.
//
// Our own rather than an event library's: the waits here are mostly a step inside a call that
// returns (a serial port's read, a client's exchange, a prompt, a pause), not callbacks of a
// loop a thread gives itself to, and they are woken from other threads.
#pragma once

#include <poll.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

#include "platform/linux/posix_calls.h"

namespace platform::posix {

using SteadyTime = std::chrono::steady_clock::time_point;

class DescriptorWait {
 public:
  // `wake`: the descriptor whose turning readable calls the wait off; -1 for none.
  explicit DescriptorWait(int wake = -1);

  // Watches `fd` for `events` (0: only for a hang-up or an error) in the waits to come, and
  // gives its place for Ready. A negative `fd` keeps its place and is not looked at.
  std::size_t Watch(int fd, short events);
  // Forgets every watched descriptor; the wake descriptor stays.
  void Clear();

  enum class Outcome { kReady, kWoken, kTimedOut, kFailed };
  // Waits until a watched descriptor is ready (kReady), the wake descriptor is readable
  // (kWoken, whether or not another is ready too), `deadline` has passed (kTimedOut) or poll
  // fails (kFailed, see failure()). Without a deadline it waits as long as it takes; a deadline
  // that has passed already still looks once.
  Outcome Until(std::optional<SteadyTime> deadline);

  // What the descriptor at `place` reported in the last wait; 0 when nothing.
  short Ready(std::size_t place) const { return watched_[place + 1].revents; }
  const CallResult& failure() const { return failure_; }

 private:
  std::vector<pollfd> watched_;  // the wake descriptor first
  CallResult failure_;
};

// What `fd` reports for `events` now, without waiting; nothing when poll fails.
std::optional<short> ReadyNow(int fd, short events);

}  // namespace platform::posix
