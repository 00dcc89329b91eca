// Registering the terminal's number in the modem, on the simulated terminal with the test at
// COM1's far end; the pauses pass on the virtual clock.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "testing/console_fixture.h"
#include "testing/tty_end.h"

namespace {

using namespace console_testing;
using namespace std::chrono_literals;

constexpr char kServiceMode[] = "AT*RX*SVCMODE=#120437586#315#\r\n";
constexpr char kReset[] = "AT*KVX*RESET\r\n";

class RegistrationTest : public ConsoleTest {
 protected:
  void Register(const std::wstring& number) {
    dlg.m_editNumber.SetWindowText(number.c_str());
    Command(IDC_BTN_REGISTER_MDN);
  }
  static std::wstring Logged(const std::string& command) {
    return std::wstring(command.begin(), command.end()) + L"\r\n";
  }
};

TEST_F(RegistrationTest, ThreeCommandsTwoSecondsApartEachLoggedWithAnEmptyLine) {
  struct Case {
    std::wstring number;
    std::size_t number_command_bytes;
  };
  const std::vector<Case> cases = {
      {L"0101234567", 22}, {L"   ", 15}, {std::wstring(243, L'9'), 255}};
  Start();
  testing_support::TtyEnd far_end(Sandbox() / "tty" / "COM1");
  Command(IDC_RADIO_COM1);
  Command(IDC_BTN_OPEN);
  for (const Case& c : cases) {
    const std::string number_command =
        "AT*RX*MDN=" + std::string(c.number.begin(), c.number.end()) + "\r\n";
    ASSERT_EQ(number_command.size(), c.number_command_bytes);
    const std::wstring log_before = LogText();
    const auto started = clock.Now();
    Register(c.number);
    EXPECT_EQ(clock.Now() - started, 6000ms);
    EXPECT_EQ(far_end.Read(31), kServiceMode);
    EXPECT_EQ(far_end.Read(number_command.size()), number_command);
    EXPECT_EQ(far_end.Read(14), kReset);
    EXPECT_EQ(LogText(),
              log_before + Logged(kServiceMode) + Logged(number_command) + Logged(kReset));
  }
  EXPECT_TRUE(front_end.message_boxes.empty());
}

TEST_F(RegistrationTest, WithNoPortOpenTheSequenceStillRunsAndLogs) {
  Start();
  const auto started = clock.Now();
  Register(L"0101234567");
  EXPECT_EQ(clock.Now() - started, 6000ms);
  EXPECT_EQ(LogText(), Logged(kServiceMode) + Logged("AT*RX*MDN=0101234567\r\n") + Logged(kReset));
}

TEST_F(RegistrationTest, ANumberThatCannotBeStoredWholeIsRefusedBeforeAnythingIsSent) {
  const std::vector<std::pair<std::wstring, std::wstring>> cases = {
      {L"", L"번호를 입력하세요."},
      {std::wstring(244, L'1'), L"번호가 너무 깁니다. 243자까지 등록할 수 있습니다."},
      {std::wstring(600, L'1'), L"번호가 너무 깁니다. 243자까지 등록할 수 있습니다."},
      {L"010\U0001F600", L"번호에 보낼 수 없는 문자가 있습니다."},
  };
  Start();
  testing_support::TtyEnd far_end(Sandbox() / "tty" / "COM1");
  Command(IDC_RADIO_COM1);
  Command(IDC_BTN_OPEN);
  const std::wstring log_before = LogText();
  for (const auto& [number, box] : cases) {
    front_end.message_boxes.clear();
    const auto started = clock.Now();
    Register(number);
    ASSERT_EQ(front_end.message_boxes.size(), 1u);
    EXPECT_EQ(front_end.message_boxes[0].text, box);
    EXPECT_EQ(clock.Now(), started);
  }
  EXPECT_EQ(LogText(), log_before);
  Command(IDC_BTN_HANG_UP);  // a marker: nothing came before it
  EXPECT_EQ(far_end.Read(16), "AT+CHV\r\nAT+CAD?\r");
}

}  // namespace
