// The serial terminal on the simulated terminal: the ports are real pseudo-terminals, and the test
// stands at each line's far end (SANDBOX/tty/COMn) as an outside program would.
#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "platform/ports/board.h"
#include "platform/terminal/devices.h"
#include "platform/terminal/handles.h"
#include "platform/terminal/serial.h"
#include "testing/child_process.h"
#include "testing/console_fixture.h"
#include "testing/tty_end.h"

namespace {

using namespace console_testing;
using namespace std::chrono_literals;
using testing_support::TtyEnd;

constexpr char kCom2Free[] = "[serial]\nCOM2 = \"sim\"\n";

class SerialTerminalTest : public ConsoleTest {
 protected:
  void OpenPort(int radio) {
    Command(radio);
    Command(IDC_BTN_OPEN);
  }
  std::filesystem::path FarEnd(int port) const {
    return Sandbox() / "tty" / ("COM" + std::to_string(port));
  }
  bool LogShows(const std::wstring& text) {
    return loop.RunUntilOrTimeout([&] { return LogText().find(text) != std::wstring::npos; }, 10s);
  }
  DWORD ConsoleBaudRate() const {
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    GetCommState(dlg.m_com.m_hComm, &dcb);
    return dcb.BaudRate;
  }
};

TEST_F(SerialTerminalTest, SendOnCom5WritesTheTestFrame) {
  Start();
  TtyEnd far_end(FarEnd(5));
  OpenPort(IDC_RADIO_COM5);
  ASSERT_TRUE(far_end.is_open());
  Command(IDC_BTN_SEND);
  EXPECT_EQ(far_end.Read(8), std::string("\x07\x54\x44\x00\x32\x00\x32\xFC", 8));
  EXPECT_EQ(LogText(), L"COM5 CLOSE success \r\nCOM5 OPEN!! \r\nCOM5 write8 \r\n");
}

TEST_F(SerialTerminalTest, SendWritesToTheOpenPortWhateverNumberIsChosen) {
  Start(kCom2Free);
  TtyEnd far_end(FarEnd(2));
  OpenPort(IDC_RADIO_COM2);
  EXPECT_EQ(far_end.Read(12), "at*rx*mdn?\r\n");
  Command(IDC_BTN_SEND);
  EXPECT_EQ(far_end.Read(21), "com2 data write ok!\r\n");
  Command(IDC_RADIO_COM5);  // COM2 stays open; the frame follows the chosen number
  Command(IDC_BTN_SEND);
  EXPECT_EQ(far_end.Read(8), std::string("\x07\x54\x44\x00\x32\x00\x32\xFC", 8));
  EXPECT_TRUE(LogShows(L"COM2 write21 \r\nCOM5 write8 \r\n"));
}

TEST_F(SerialTerminalTest, OpeningTheModemPortAsksForItsNumberAndTellsTheEtcDriver) {
  Start(kCom2Free);
  TtyEnd far_end(FarEnd(2));
  OpenPort(IDC_RADIO_COM2);
  EXPECT_EQ(far_end.Read(12), "at*rx*mdn?\r\n");
  EXPECT_EQ(LogText(), L"COM2 CLOSE success \r\nCOM2 OPEN!! \r\n");
  const auto journal = Journal();
  ASSERT_EQ(journal.size(), 1u);
  EXPECT_EQ(journal[0]["device"], "ETC1:");
  EXPECT_EQ(journal[0]["code"], 2536);
  EXPECT_TRUE(journal[0]["input"].is_null());
  EXPECT_EQ(journal[0]["input_size"], 1);
  EXPECT_EQ(journal[0]["output_size"], 1);
  EXPECT_EQ(ConsoleBaudRate(), 115200u);
}

TEST_F(SerialTerminalTest, Com3RunsAt9600AndTheOthersAt115200) {
  Start();
  OpenPort(IDC_RADIO_COM3);
  EXPECT_EQ(ConsoleBaudRate(), 9600u);
  OpenPort(IDC_RADIO_COM1);
  EXPECT_EQ(ConsoleBaudRate(), 115200u);
}

TEST_F(SerialTerminalTest, TheSimulatedModemAnswersTheNumberQuery) {
  Start();
  OpenPort(IDC_RADIO_COM2);
  EXPECT_TRUE(LogShows(L"OK\r\n"));
  EXPECT_NE(LogText().find(L"aaaaa w:"), std::wstring::npos);
  EXPECT_NE(LogText().find(L"MDN"), std::wstring::npos);
}

TEST_F(SerialTerminalTest, AModemCommandLineFromTheFarEndIsMarked) {
  Start(kCom2Free);
  TtyEnd far_end(FarEnd(2));
  OpenPort(IDC_RADIO_COM2);
  far_end.Read(12);
  ASSERT_TRUE(far_end.Write("AT\r"));
  EXPECT_TRUE(LogShows(L"aaaaa w:3>\r\ncom[2] recvdatasize:3\r\n>>Find AT COMMAND!!\r\nAT\r\r\n"));
}

TEST_F(SerialTerminalTest, ALongBurstReachesTheLogWholeAndInOrder) {
  Start();
  OpenPort(IDC_RADIO_COM1);
  TtyEnd far_end(FarEnd(1));
  std::string burst;
  for (int i = 0; i < 10000; ++i) burst += static_cast<char>('a' + i % 26);
  ASSERT_TRUE(far_end.Write(burst));

  std::wstring shown;
  std::size_t total = 0;
  ASSERT_TRUE(loop.RunUntilOrTimeout(
      [&] {
        // Every notification: "\r\ncom[1] recvdatasize:N\r\n" followed by its N bytes and "\r\n".
        static const std::wregex notice(L"\r\ncom\\[1\\] recvdatasize:(\\d+)\r\n([a-z]*)\r\n");
        const std::wstring log = LogText();
        shown.clear();
        total = 0;
        for (std::wsregex_iterator it(log.begin(), log.end(), notice), end; it != end; ++it) {
          const std::size_t count = std::stoul((*it)[1].str());
          EXPECT_LE(count, CCom::kRecvBufSize);
          total += count;
          shown += (*it)[2].str();
        }
        return total >= burst.size();
      },
      20s));
  EXPECT_EQ(total, burst.size());
  EXPECT_EQ(shown, std::wstring(burst.begin(), burst.end()));
}

TEST_F(SerialTerminalTest, AMissingPortShowsItsCodeAndTheOpenStillReachesTheEtcDriver) {
  Start("[serial]\nCOM4 = \"absent\"\n");
  OpenPort(IDC_RADIO_COM4);
  ASSERT_EQ(front_end.message_boxes.size(), 1u);
  EXPECT_EQ(front_end.message_boxes[0].text, L"c:2");
  EXPECT_EQ(LogText(), L"COM4 CLOSE success \r\nCOM4 OPEN Error!! \r\n");
  EXPECT_EQ(Journal().size(), 1u);
}

TEST_F(SerialTerminalTest, APortThatAnotherProcessHoldsIsRefused) {
  Start();
  const auto console_side = platform::CurrentBoard().serial_ports.Find(L"COM6:");
  ASSERT_TRUE(console_side);
  testing_support::ChildProcess holder(
      {"flock", "--exclusive", console_side->string(), "sleep", "30"}, temp_.path());
  // flock takes the lock right after it starts; give it the moment it needs.
  const auto give_up = std::chrono::steady_clock::now() + 10s;
  for (;;) {
    HANDLE probe = CreateFileW(L"COM6:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) break;
    CloseHandle(probe);
    ASSERT_LT(std::chrono::steady_clock::now(), give_up) << "flock never took the port";
    std::this_thread::sleep_for(5ms);
  }
  OpenPort(IDC_RADIO_COM6);
  ASSERT_EQ(front_end.message_boxes.size(), 1u);
  EXPECT_EQ(front_end.message_boxes[0].text, L"c:32");
  EXPECT_EQ(LogText(), L"COM6 CLOSE success \r\nCOM6 OPEN Error!! \r\n");
}

}  // namespace
