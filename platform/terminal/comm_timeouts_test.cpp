#include "platform/terminal/comm_timeouts.h"

#include <gtest/gtest.h>

#include "platform/terminal/testing_console_port.h"

namespace {

using platform::ReadTimer;
using platform::SteadyTime;
using std::chrono::milliseconds;
using testing_support::kConsoleReceiveBuffer;
using testing_support::kConsoleTimeouts;

constexpr SteadyTime kStart{std::chrono::hours{1}};

SteadyTime At(int ms) { return kStart + milliseconds{ms}; }

TEST(ReadTimer, ConsoleReadEndsAtThePauseAfterTheLatestByteOrAtTheTotal) {
  ReadTimer timer(kConsoleTimeouts, kConsoleReceiveBuffer, kStart);
  EXPECT_EQ(timer.GiveUpAt(), At(3049)) << "nothing yet: only the total, 1 ms x 3048 + 1 ms";

  timer.BytesArrived(At(10));
  EXPECT_EQ(timer.GiveUpAt(), At(110));
  timer.BytesArrived(At(90));
  EXPECT_EQ(timer.GiveUpAt(), At(190)) << "the pause counts from the latest byte";

  timer.BytesArrived(At(3000));
  EXPECT_EQ(timer.GiveUpAt(), At(3049)) << "a stream without pauses still ends at the total";
}

TEST(ReadTimer, IntervalMaxdwordWithoutTotalsReturnsAtOnce) {
  const ReadTimer timer({MAXDWORD, 0, 0, 0, 0}, kConsoleReceiveBuffer, kStart);
  EXPECT_EQ(timer.GiveUpAt(), kStart);
}

TEST(ReadTimer, IntervalAndMultiplierMaxdwordWaitForTheFirstByteUpToTheConstant) {
  ReadTimer timer({MAXDWORD, MAXDWORD, 500, 0, 0}, kConsoleReceiveBuffer, kStart);
  EXPECT_EQ(timer.GiveUpAt(), At(500));
  timer.BytesArrived(At(20));
  EXPECT_EQ(timer.GiveUpAt(), At(20)) << "one byte is enough";
}

TEST(ReadTimer, UnusedTimeoutsLeaveTheReadWaiting) {
  ReadTimer no_timeouts({0, 0, 0, 0, 0}, 10, kStart);
  no_timeouts.BytesArrived(At(5));
  EXPECT_EQ(no_timeouts.GiveUpAt(), std::nullopt) << "all zero: wait for every byte asked for";

  ReadTimer interval_only({50, 0, 0, 0, 0}, 10, kStart);
  EXPECT_EQ(interval_only.GiveUpAt(), std::nullopt) << "the interval starts with the first byte";
  interval_only.BytesArrived(At(5));
  EXPECT_EQ(interval_only.GiveUpAt(), At(55));

  ReadTimer total_only({0, 2, 100, 0, 0}, 10, kStart);
  total_only.BytesArrived(At(5));
  EXPECT_EQ(total_only.GiveUpAt(), At(120)) << "2 ms x 10 + 100 ms, bytes or not";
}

TEST(ReadTimer, HugeTotalsStayWithinWhatADwordCanState) {
  const ReadTimer timer({0, MAXDWORD, MAXDWORD, 0, 0}, kConsoleReceiveBuffer, kStart);
  EXPECT_EQ(timer.GiveUpAt(), kStart + milliseconds{MAXDWORD});
}

TEST(WriteGiveUpAt, WriteGetsMultiplierTimesLengthPlusConstantOrNoLimit) {
  EXPECT_EQ(platform::WriteGiveUpAt(kConsoleTimeouts, 12, kStart), At(65));
  EXPECT_EQ(platform::WriteGiveUpAt({100, 1, 1, 0, 0}, 12, kStart), std::nullopt);
}

}  // namespace
