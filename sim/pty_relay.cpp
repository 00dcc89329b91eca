#include "sim/pty_relay.h"

#include <array>
#include <cerrno>
#include <cstddef>
#include <optional>
#include <thread>

#include "platform/linux/descriptor_wait.h"

namespace sim {

namespace {

namespace posix = platform::posix;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kChunk = 4096;

class Relay {
 public:
  Relay(int master_a, int master_b, const posix::WakeFd& stop)
      : masters_{master_a, master_b}, stop_(stop) {}

  void Run() {
    posix::DescriptorWait wait(stop_.fd());
    for (;;) {
      const auto now = Clock::now();
      wait.Clear();
      for (int side : {0, 1}) WatchSide(wait, side, now);
      switch (wait.Until(RestEnd(now))) {
        case posix::DescriptorWait::Outcome::kWoken:
          return;
        case posix::DescriptorWait::Outcome::kFailed:
          // Only a shortage of kernel memory makes poll fail here; wait it out.
          std::this_thread::sleep_for(kHangUpRecheck);
          continue;
        case posix::DescriptorWait::Outcome::kReady:
        case posix::DescriptorWait::Outcome::kTimedOut:
          for (int side : {0, 1}) Serve(side, wait.Ready(side));
      }
    }
  }

 private:
  // One chunk read from a side that the other side has not taken in full yet.
  struct InFlight {
    std::array<std::byte, kChunk> bytes;
    std::size_t size = 0;
    std::size_t taken = 0;
    bool empty() const { return taken == size; }
    void Drop() { size = taken = 0; }
  };

  static int Other(int side) { return 1 - side; }

  bool Resting(int side, Clock::time_point now) const { return now < rest_until_[side]; }

  // Watches `side` at the place of its number.
  void WatchSide(posix::DescriptorWait& wait, int side, Clock::time_point now) const {
    short events = 0;
    if (!in_flight_[Other(side)].empty()) events |= POLLOUT;
    // A side is read again only once its last chunk has gone on: that is the back-pressure.
    if (in_flight_[side].empty() && !Resting(side, now)) events |= POLLIN;
    wait.Watch(events != 0 ? masters_[side] : -1, events);
  }

  // When the first side that rests is looked at again; none while neither rests.
  std::optional<Clock::time_point> RestEnd(Clock::time_point now) const {
    std::optional<Clock::time_point> end;
    for (int side : {0, 1}) {
      if (Resting(side, now) && (!end || rest_until_[side] < *end)) end = rest_until_[side];
    }
    return end;
  }

  void Serve(int side, short revents) {
    if (revents == 0) return;
    if (!in_flight_[Other(side)].empty()) Deliver(Other(side));
    if (in_flight_[side].empty() && (revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
      Take(side, revents);
    }
  }

  void Take(int side, short revents) {
    InFlight& flight = in_flight_[side];
    const posix::CallResult read = posix::Read(masters_[side], flight.bytes.data(), kChunk);
    if (read.ok() && read.value > 0) {
      flight.size = static_cast<std::size_t>(read.value);
      flight.taken = 0;
      Deliver(side);
      return;
    }
    const bool hung_up = (revents & (POLLHUP | POLLERR)) != 0;
    if (!read.ok() && read.error == EAGAIN && !hung_up) return;
    // The slave is let go of and what it wrote has been read (the master now answers EIO): look
    // again in a while rather than at every poll.
    rest_until_[side] = Clock::now() + kHangUpRecheck;
  }

  void Deliver(int from) {
    InFlight& flight = in_flight_[from];
    const int to = masters_[Other(from)];
    if (!PtySlaveHeld(to)) {
      flight.Drop();
      return;
    }
    while (!flight.empty()) {
      const posix::CallResult written =
          posix::Write(to, flight.bytes.data() + flight.taken, flight.size - flight.taken);
      if (!written.ok() && written.error != EAGAIN) {
        flight.Drop();
        return;
      }
      if (!written.ok() || written.value == 0) return;  // full for now; POLLOUT says when to go on
      flight.taken += static_cast<std::size_t>(written.value);
    }
  }

  const std::array<int, 2> masters_;
  const posix::WakeFd& stop_;
  std::array<InFlight, 2> in_flight_{};
  std::array<Clock::time_point, 2> rest_until_{};
};

}  // namespace

bool PtySlaveHeld(int master) { return (posix::ReadyNow(master, 0).value_or(0) & POLLHUP) == 0; }

void RelayUntilStopped(int master_a, int master_b, const platform::posix::WakeFd& stop) {
  Relay(master_a, master_b, stop).Run();
}

}  // namespace sim
