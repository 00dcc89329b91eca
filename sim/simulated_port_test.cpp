#include "sim/simulated_port.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/ports/board.h"
#include "platform/terminal/handles.h"
#include "platform/terminal/serial.h"
#include "testing/child_process.h"
#include "testing/temp_dir.h"
#include "testing/tty_end.h"

namespace sim {
namespace {

namespace fs = std::filesystem;
using testing_support::TtyEnd;

class SimulatedPortTest : public ::testing::Test {
 protected:
  fs::path Link() const { return dir_.path() / "COM1"; }

  testing_support::TempDir dir_;
};

TEST_F(SimulatedPortTest, AnOutsideProgramTalksToTheConsoleThroughThePublishedFarEnd) {
  const SimulatedPort port(Link());
  EXPECT_EQ(port.modem(), nullptr);
  ASSERT_TRUE(fs::is_symlink(fs::symlink_status(Link())));
  EXPECT_TRUE(fs::is_character_file(Link()));

  const TtyEnd console(port.ConsoleSide());
  const TtyEnd outside(Link());
  ASSERT_TRUE(outside.Write("\r\nRING\r\n"));
  EXPECT_EQ(console.Read(8), "\r\nRING\r\n");
  ASSERT_TRUE(console.Write("at*rx*mdn?\r\n"));
  EXPECT_EQ(outside.Read(12), "at*rx*mdn?\r\n");
}

TEST_F(SimulatedPortTest, TheFarEndsNameReplacesAStaleOneAndGoesWithThePort) {
  fs::create_symlink("/dev/null", Link());
  auto older = std::make_unique<SimulatedPort>(Link());
  EXPECT_NE(fs::read_symlink(Link()), "/dev/null");

  // A newer port for the same name (a board replacing this one) takes the name over, and keeps
  // it when the older port goes.
  auto newer = std::make_unique<SimulatedPort>(Link());
  const fs::path newer_far_end = fs::read_symlink(Link());
  older.reset();
  EXPECT_EQ(fs::read_symlink(Link()), newer_far_end);
  newer.reset();
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link())));
}

TEST_F(SimulatedPortTest, TheModemAnswersOnTheConsoleSideAndRemembersItsNewNumber) {
  const SimulatedPort port(std::make_shared<Modem>());
  ASSERT_NE(port.modem(), nullptr);
  const TtyEnd console(port.ConsoleSide());

  const std::string mdn_reply = "\r\n*RX*MDN: 01012345678\r\n\r\nOK\r\n";
  ASSERT_TRUE(console.Write("at*rx*mdn?\r\n"));
  EXPECT_EQ(console.Read(mdn_reply.size()), mdn_reply);

  ASSERT_TRUE(console.Write("AT*RX*SVCMODE=#120437586#315#\r\n"));
  ASSERT_TRUE(console.Write("AT*RX*MDN=0212345678\r\n"));
  ASSERT_TRUE(console.Write("AT*KVX*RESET\r\n"));
  ASSERT_TRUE(console.Write("AT+CVOL=7\r\n"));
  EXPECT_EQ(console.ReadThrough("ERROR\r\n"), "\r\nOK\r\n\r\nOK\r\n\r\nOK\r\n\r\nERROR\r\n");
  EXPECT_EQ(port.modem()->Number(), "0212345678");
}

TEST_F(SimulatedPortTest, TheConsoleOpensItsSideAsASerialPortAndItsLineSettingsShow) {
  const SimulatedPort port(Link());
  platform::Board board;
  board.serial_ports.Add(3, port.ConsoleSide());
  platform::InstallBoard(std::move(board));

  const HANDLE com3 = CreateFileW(L"COM3:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(com3, INVALID_HANDLE_VALUE);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  ASSERT_TRUE(GetCommState(com3, &dcb));
  dcb.BaudRate = 9600;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  ASSERT_TRUE(SetCommState(com3, &dcb));
  const termios settings = port.ConsoleSideSettings();
  EXPECT_EQ(::cfgetospeed(&settings), B9600);
  EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));

  const TtyEnd outside(Link());
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(com3, "com3 data write ok!\r\n", 21, &written, nullptr));
  EXPECT_EQ(written, 21u);
  EXPECT_EQ(outside.Read(21), "com3 data write ok!\r\n");
  CloseHandle(com3);
  platform::InstallBoard({});
}

// socat as the device at the far end: it greets, then takes a four-byte command into a file.
TEST_F(SimulatedPortTest, SocatAtTheFarEndHearsTheConsoleAndIsHeard) {
  const SimulatedPort port(Link());
  const TtyEnd console(port.ConsoleSide());
  const fs::path heard = dir_.path() / "heard";
  testing_support::ChildProcess socat(
      {"socat", "OPEN:" + Link().string(), "SYSTEM:echo RING; head -c 4 > " + heard.string()},
      dir_.path());
  ASSERT_TRUE(socat.started());

  // Once the greeting is here, socat holds the far end and the answer cannot go astray.
  EXPECT_EQ(console.Read(5), "RING\n");
  ASSERT_TRUE(console.Write("ATA\r"));
  EXPECT_EQ(socat.Wait(std::chrono::seconds(10)), 0) << socat.Errors();
  std::ifstream in(heard, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "ATA\r");
}

}  // namespace
}  // namespace sim
