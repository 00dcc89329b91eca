#include "plan/stop_request.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>

namespace plan {

StopRequest::StopRequest() {
  for (int& wake : wake_) {
    wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
      const int error = errno;
      for (int made : wake_) {
        if (made >= 0) ::close(made);
      }
      throw std::system_error(error, std::generic_category(), "eventfd");
    }
  }
}

StopRequest::~StopRequest() {
  for (int& wake : wake_) {
    if (wake >= 0) ::close(wake);
    wake = -1;
  }
}

void StopRequest::Raise() {
  const int saved_errno = errno;  // a signal handler must leave errno as it found it
  const int stops = count_.fetch_add(1, std::memory_order_relaxed) + 1;
  if (stops <= static_cast<int>(wake_.size())) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake_[stops - 1], &one, sizeof one);
  }
  errno = saved_errno;
}

int StopRequest::WakeDescriptor(int stops_allowed) const {
  if (stops_allowed < 0 || stops_allowed >= static_cast<int>(wake_.size())) return -1;
  return wake_[stops_allowed];
}

bool StopRequest::SleepFor(std::chrono::milliseconds duration, int stops_allowed) const {
  const auto until = std::chrono::steady_clock::now() + duration;
  pollfd wake{WakeDescriptor(stops_allowed), POLLIN, 0};
  for (;;) {
    if (count() > stops_allowed) return false;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    if (left.count() <= 0) return true;
    ::poll(&wake, 1, static_cast<int>(std::min<std::int64_t>(left.count(), 1 << 30)));
  }
}

}  // namespace plan
