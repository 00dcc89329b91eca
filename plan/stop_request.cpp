#include "plan/stop_request.h"

#include <algorithm>
#include <thread>

namespace plan {

namespace {
// How soon a stop is noticed during a pause.
constexpr std::chrono::milliseconds kStopPoll{20};
}  // namespace

bool StopRequest::SleepFor(std::chrono::milliseconds duration, int stops_allowed) const {
  const auto until = std::chrono::steady_clock::now() + duration;
  while (count() <= stops_allowed) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= until) return true;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(kStopPoll, until - now));
  }
  return false;
}

}  // namespace plan
