#include "plan/stop_request.h"

#include <cerrno>
#include <optional>
#include <system_error>

#include "platform/linux/descriptor_wait.h"

namespace plan {

namespace posix = platform::posix;

StopRequest::StopRequest() {
  for (const posix::WakeFd& wake : wake_) {
    if (wake.error() != 0) {
      throw std::system_error(wake.error(), std::generic_category(), "eventfd");
    }
  }
}

void StopRequest::Raise() {
  const int saved_errno = errno;  // a signal handler must leave errno as it found it
  const int stops = count_.fetch_add(1, std::memory_order_relaxed) + 1;
  if (stops <= static_cast<int>(wake_.size())) wake_[stops - 1].Raise();
  errno = saved_errno;
}

int StopRequest::WakeDescriptor(int stops_allowed) const {
  if (stops_allowed < 0 || stops_allowed >= static_cast<int>(wake_.size())) return -1;
  return wake_[stops_allowed].fd();
}

bool StopRequest::SleepFor(std::chrono::milliseconds duration, int stops_allowed) const {
  const auto until = std::chrono::steady_clock::now() + duration;
  posix::DescriptorWait wait(WakeDescriptor(stops_allowed));
  for (;;) {
    if (count() > stops_allowed) return false;
    if (std::chrono::steady_clock::now() >= until) return true;
    wait.Until(until);
  }
}

}  // namespace plan
