#include "platform/linux/descriptor_wait.h"

#include <algorithm>
#include <climits>

namespace platform::posix {

namespace {

int MillisecondsUntil(SteadyTime deadline, SteadyTime now) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
  return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, INT_MAX));
}

}  // namespace

DescriptorWait::DescriptorWait(int wake) : watched_{{wake, POLLIN, 0}} {}

std::size_t DescriptorWait::Watch(int fd, short events) {
  watched_.push_back({fd, events, 0});
  return watched_.size() - 2;
}

void DescriptorWait::Clear() { watched_.resize(1); }

DescriptorWait::Outcome DescriptorWait::Until(std::optional<SteadyTime> deadline) {
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    const int timeout = deadline ? MillisecondsUntil(*deadline, now) : -1;
    const CallResult polled = Poll(watched_.data(), watched_.size(), timeout);
    if (!polled.ok()) {
      for (pollfd& watch : watched_) watch.revents = 0;
      failure_ = polled;
      return Outcome::kFailed;
    }
    if (polled.value > 0) return watched_[0].revents != 0 ? Outcome::kWoken : Outcome::kReady;
    // Nothing ready: the time is up, or a signal cut the wait short.
    if (deadline && std::chrono::steady_clock::now() >= *deadline) return Outcome::kTimedOut;
  }
}

std::optional<short> ReadyNow(int fd, short events) {
  pollfd probe{fd, events, 0};
  if (!Poll(&probe, 1, 0).ok()) return std::nullopt;
  return probe.revents;
}

}  // namespace platform::posix
