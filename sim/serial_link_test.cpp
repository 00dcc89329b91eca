#include "sim/serial_link.h"

#include <gtest/gtest.h>
#include <termios.h>
#include <time.h>

#include <chrono>
#include <string>
#include <thread>

#include "testing/tty_end.h"

namespace sim {
namespace {

using testing_support::TtyEnd;

std::string EveryByteValue() {
  std::string bytes;
  for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
  return bytes;
}

// A pattern in which a lost, doubled or swapped byte shows.
std::string Burst(std::size_t size, int seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>((i * 7 + i / 256 + static_cast<std::size_t>(seed)) & 0xFF);
  }
  return bytes;
}

std::chrono::nanoseconds ProcessCpuTime() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

TEST(SerialLinkTest, EveryByteValueCrossesUnchangedBothWaysWithoutEcho) {
  const SerialLink link;
  const TtyEnd console(link.ConsoleSide());
  const TtyEnd far(link.FarEnd());
  ASSERT_TRUE(console.is_open() && far.is_open());

  // Line ends, NUL, the XON/XOFF and interrupt characters: none is translated or acted on.
  const std::string bytes = EveryByteValue();
  ASSERT_TRUE(far.Write(bytes));
  EXPECT_EQ(console.Read(bytes.size()), bytes);

  const std::string reversed(bytes.rbegin(), bytes.rend());
  ASSERT_TRUE(console.Write(reversed));
  // An echo of the first block would come back ahead of this one.
  EXPECT_EQ(far.Read(reversed.size()), reversed);
}

TEST(SerialLinkTest, HundredKilobyteBurstsArriveWholeAndInOrderBothWaysAtOnce) {
  const SerialLink link;
  const TtyEnd console(link.ConsoleSide());
  const TtyEnd far(link.FarEnd());
  const std::string outbound = Burst(100 * 1024, 1);
  const std::string inbound = Burst(100 * 1024, 2);

  // The far end reads nothing until the console has had all of its burst, so the outbound burst
  // must wait in the line without holding up the inbound one.
  bool outbound_written = false;
  bool inbound_written = false;
  std::thread console_writer([&] { outbound_written = console.Write(outbound); });
  std::thread far_writer([&] { inbound_written = far.Write(inbound); });
  const std::string at_console = console.Read(inbound.size());
  const std::string at_far = far.Read(outbound.size());
  console_writer.join();
  far_writer.join();

  EXPECT_TRUE(outbound_written && inbound_written);
  ASSERT_EQ(at_console.size(), inbound.size());
  EXPECT_TRUE(at_console == inbound);
  ASSERT_EQ(at_far.size(), outbound.size());
  EXPECT_TRUE(at_far == outbound);
}

TEST(SerialLinkTest, EitherEndMayCloseAndOpenAgainAndAnEmptyLineIdles) {
  const SerialLink link;
  auto console = std::make_unique<TtyEnd>(link.ConsoleSide());
  auto far = std::make_unique<TtyEnd>(link.FarEnd());
  ASSERT_TRUE(far->Write("first"));
  EXPECT_EQ(console->Read(5), "first");

  // With nobody at the far end the console's bytes go nowhere: were they kept for a later
  // reader, the line would fill up and this write would stall.
  far.reset();
  EXPECT_TRUE(console->Write(Burst(100 * 1024, 3)));
  // Likewise the other way round while the console's port is closed.
  console.reset();
  far = std::make_unique<TtyEnd>(link.FarEnd());
  EXPECT_TRUE(far->Write(Burst(100 * 1024, 4)));

  // Nobody on either end: the relay waits rather than spins.
  far.reset();
  const auto cpu_before = ProcessCpuTime();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_LT(ProcessCpuTime() - cpu_before, std::chrono::milliseconds(100));

  console = std::make_unique<TtyEnd>(link.ConsoleSide());
  far = std::make_unique<TtyEnd>(link.FarEnd());
  ASSERT_TRUE(console->Write("second"));
  EXPECT_TRUE(far->ReadThrough("second").ends_with("second"));
  ASSERT_TRUE(far->Write("third"));
  EXPECT_TRUE(console->ReadThrough("third").ends_with("third"));
}

TEST(SerialLinkTest, TheConsoleSidesLineSettingsAreWhatItsHolderSet) {
  const SerialLink link;
  {
    const TtyEnd console(link.ConsoleSide());
    termios settings{};
    ASSERT_EQ(::tcgetattr(console.fd(), &settings), 0);
    ::cfsetspeed(&settings, B9600);
    ASSERT_EQ(::tcsetattr(console.fd(), TCSANOW, &settings), 0);
    const termios seen = link.ConsoleSideSettings();
    EXPECT_EQ(::cfgetospeed(&seen), B9600);
  }
  const termios after_close = link.ConsoleSideSettings();
  EXPECT_EQ(::cfgetospeed(&after_close), B9600);
}

}  // namespace
}  // namespace sim
