#include "platform/terminal/clock.h"

#include <thread>

namespace platform {

namespace {
using std::chrono::steady_clock;
}

Clock::TimePoint MonotonicClock::Now() const {
  return TimePoint{
      std::chrono::duration_cast<Milliseconds>(steady_clock::now().time_since_epoch())};
}

void MonotonicClock::Sleep(Milliseconds how_long) { std::this_thread::sleep_for(how_long); }

std::optional<steady_clock::time_point> MonotonicClock::WallDeadline(TimePoint due) const {
  return steady_clock::time_point{due.time_since_epoch()};
}

void VirtualClock::MoveTo(TimePoint to) {
  auto now = now_.load();
  while (to.time_since_epoch().count() > now &&
         !now_.compare_exchange_weak(now, to.time_since_epoch().count())) {
  }
}

}  // namespace platform
