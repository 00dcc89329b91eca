// The time the user-interface thread lives by: window timers fall due on it and Sleep passes it.
// The running console uses the monotonic clock; tests use the virtual clock, on which a
// 25-second timer chain runs in no wall time because time moves only when the test moves it.
#pragma once

#include <atomic>
#include <chrono>
#include <optional>

namespace platform {

using Milliseconds = std::chrono::milliseconds;

class Clock {
 public:
  using TimePoint = std::chrono::time_point<Clock, Milliseconds>;
  using duration = Milliseconds;

  virtual ~Clock() = default;
  virtual TimePoint Now() const = 0;
  // Blocks the calling thread for the given time.
  virtual void Sleep(Milliseconds how_long) = 0;
  // The wall-clock moment at which `due` comes, for a waiting thread; none when no amount of
  // waiting brings it (the virtual clock).
  virtual std::optional<std::chrono::steady_clock::time_point> WallDeadline(
      TimePoint due) const = 0;
};

class MonotonicClock final : public Clock {
 public:
  TimePoint Now() const override;
  void Sleep(Milliseconds how_long) override;
  std::optional<std::chrono::steady_clock::time_point> WallDeadline(TimePoint due) const override;
};

class VirtualClock final : public Clock {
 public:
  TimePoint Now() const override { return TimePoint{Milliseconds{now_.load()}}; }
  // Sleep on the virtual clock passes the time at once: the caller is held back in virtual time.
  void Sleep(Milliseconds how_long) override { now_ += how_long.count(); }
  std::optional<std::chrono::steady_clock::time_point> WallDeadline(TimePoint) const override {
    return std::nullopt;
  }
  // Moves the clock forward to `to`; never backward.
  void MoveTo(TimePoint to);

 private:
  std::atomic<Milliseconds::rep> now_{0};
};

}  // namespace platform
