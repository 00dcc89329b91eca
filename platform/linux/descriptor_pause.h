// A descriptor a waiting thread leaves alone for a while: a listener while the process is out of
// descriptors or memory (the connection stays queued, so the listener would report it ready again
// at once and the thread would spin), or a source whose news is left to gather. The thread
// watches what Watched gives and wakes by End to look again: nothing spins, nothing sleeps.
#pragma once

#include <chrono>
#include <optional>

#include "platform/linux/descriptor_wait.h"
#include "platform/linux/posix_calls.h"

namespace platform::posix {

// How long a listener is left alone when a connection cannot be taken in.
inline constexpr std::chrono::milliseconds kAcceptPause{100};

class DescriptorPause {
 public:
  void For(std::chrono::milliseconds pause) { until_ = std::chrono::steady_clock::now() + pause; }
  // The descriptor to watch at `now`: -1 while paused.
  int Watched(int fd, SteadyTime now) const { return now < until_ ? -1 : fd; }
  // When the pause ends, while it lasts at `now`.
  std::optional<SteadyTime> End(SteadyTime now) const {
    return now < until_ ? std::optional(until_) : std::nullopt;
  }

 private:
  SteadyTime until_;  // the clock's epoch: not paused
};

// A connection waiting at `listener`, non-blocking and not inherited by programs started later;
// an invalid descriptor when none waits, or when none can be taken in (out of descriptors or
// memory), which pauses `accepting` for kAcceptPause.
UniqueFd AcceptOrPause(int listener, DescriptorPause& accepting);

}  // namespace platform::posix
