// The one wait on descriptors, on a real pipe and a real eventfd.
#include "platform/linux/descriptor_wait.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace platform::posix {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Outcome = DescriptorWait::Outcome;

struct Pipe {
  Pipe() {
    int ends[2];
    EXPECT_EQ(::pipe(ends), 0);
    read_end.reset(ends[0]);
    write_end.reset(ends[1]);
  }
  UniqueFd read_end;
  UniqueFd write_end;
};

TEST(DescriptorWaitTest, EndsAsWhatHappenedToItsDescriptorsSays) {
  const struct {
    const char* what;
    bool bytes_written;
    bool writer_gone;
    bool woken;
    Outcome outcome;
    short reported;  // by the pipe
  } cases[] = {
      {"bytes to read", true, false, false, Outcome::kReady, POLLIN},
      {"the writer gone", false, true, false, Outcome::kReady, POLLHUP},
      {"a wake with bytes to read", true, false, true, Outcome::kWoken, POLLIN},
      {"nothing before the deadline", false, false, false, Outcome::kTimedOut, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Pipe pipe;
    const WakeFd wake;
    if (c.bytes_written) {
      ASSERT_EQ(::write(pipe.write_end.get(), "x", 1), 1);
    }
    if (c.writer_gone) pipe.write_end.reset();
    if (c.woken) wake.Raise();

    DescriptorWait wait(wake.fd());
    const std::size_t left_out = wait.Watch(-1, POLLIN);
    const std::size_t watched = wait.Watch(pipe.read_end.get(), c.writer_gone ? 0 : POLLIN);
    const auto deadline = Clock::now() + 20ms;
    EXPECT_EQ(wait.Until(deadline), c.outcome);
    EXPECT_EQ(wait.Ready(left_out), 0);
    EXPECT_EQ(wait.Ready(watched) & (POLLIN | POLLHUP), c.reported);
    if (c.outcome == Outcome::kTimedOut) {
      EXPECT_GE(Clock::now(), deadline);
    }
    EXPECT_EQ(ReadyNow(pipe.read_end.get(), POLLIN).value_or(-1) & (POLLIN | POLLHUP), c.reported);
  }
}

TEST(DescriptorWaitTest, AWakeFromAnotherThreadEndsAWaitWithoutDeadline) {
  Pipe pipe;
  const WakeFd wake;
  DescriptorWait wait(wake.fd());
  const std::size_t quiet = wait.Watch(pipe.read_end.get(), POLLIN);
  std::thread waker([&] {
    std::this_thread::sleep_for(10ms);
    wake.Raise();
  });
  EXPECT_EQ(wait.Until(std::nullopt), Outcome::kWoken);
  EXPECT_EQ(wait.Ready(quiet), 0);
  waker.join();
}

void Nothing(int) {}

TEST(DescriptorWaitTest, SignalsThatCutTheWaitShortAreWaitedOut) {
  struct sigaction caught {
  }, old{};
  caught.sa_handler = Nothing;  // without SA_RESTART: each signal cuts the poll short
  ASSERT_EQ(::sigaction(SIGUSR2, &caught, &old), 0);
  Pipe pipe;
  DescriptorWait wait;
  wait.Watch(pipe.read_end.get(), POLLIN);
  const pthread_t waiter = ::pthread_self();
  std::atomic<bool> waiting{true};
  std::thread signaller([&] {
    while (waiting) {
      ::pthread_kill(waiter, SIGUSR2);
      std::this_thread::sleep_for(2ms);
    }
  });
  const auto deadline = Clock::now() + 50ms;
  EXPECT_EQ(wait.Until(deadline), Outcome::kTimedOut);
  EXPECT_GE(Clock::now(), deadline);
  waiting = false;
  signaller.join();
  ::sigaction(SIGUSR2, &old, nullptr);
}

}  // namespace
}  // namespace platform::posix
