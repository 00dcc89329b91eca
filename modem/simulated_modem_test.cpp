// The console against the simulated modem on COM2, end to end: the modem's power goes through
// the ETC driver as the "Power Off"/"Power On" buttons send it, and what the modem answers shows
// in the log.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "testing/console_fixture.h"

namespace {

using namespace console_testing;
using namespace std::chrono_literals;

class SimulatedModemTest : public ConsoleTest {
 protected:
  void SetModemPower(DWORD value) {
    dlg.IoSend(L"ETC1:", 9125, &value, sizeof value, nullptr, 0, L"Navi IO Send CreateFile Error");
  }
  bool LogShows(const std::wstring& text, std::chrono::milliseconds timeout = 10s) {
    return LogShowsAfter(0, text, 1, timeout);
  }
  // Whether the log, from `start` on, comes to show `text` `count` times.
  bool LogShowsAfter(std::size_t start, const std::wstring& text, int count,
                     std::chrono::milliseconds timeout = 10s) {
    return loop.RunUntilOrTimeout(
        [&] {
          const std::wstring log = LogText();
          int found = 0;
          for (auto at = log.find(text, start); at != std::wstring::npos;
               at = log.find(text, at + text.size())) {
            ++found;
          }
          return found >= count;
        },
        timeout);
  }
};

TEST_F(SimulatedModemTest, SilentWithoutPowerThenTellsTheNumberRegisteredThroughTheConsole) {
  Start();
  SetModemPower(0);
  Command(IDC_RADIO_COM2);
  Command(IDC_BTN_OPEN);  // asks for the number
  EXPECT_FALSE(LogShows(L"recvdatasize", 500ms));

  SetModemPower(1);
  // The modem hears the lines in order: an answer to the number query would come before the
  // refusal of the test text.
  Command(IDC_BTN_SEND);
  ASSERT_TRUE(LogShows(L"ERROR"));
  EXPECT_EQ(LogText().find(L"*RX*MDN:"), std::wstring::npos) << LogText();

  dlg.m_editNumber.SetWindowText(L"0109876543");
  const std::size_t before_registration = LogText().size();
  Command(IDC_BTN_REGISTER_MDN);
  // The pauses pass on the virtual clock; closing the port at once would take the commands
  // still on their way along with it, so the three answers come first.
  ASSERT_TRUE(LogShowsAfter(before_registration, L"\r\nOK\r\n", 3)) << LogText();
  Command(IDC_BTN_OPEN);  // closes COM2, opens it again and asks for the number
  EXPECT_TRUE(LogShows(L"*RX*MDN: 0109876543")) << LogText();
  EXPECT_TRUE(front_end.message_boxes.empty());
}

}  // namespace
