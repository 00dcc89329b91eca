// The audio level commands on the simulated terminal, from the start of the program: the levels
// live as long as the program, so one test walks them from there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/console_fixture.h"
#include "testing/tty_end.h"

namespace {

using namespace console_testing;

struct Press {
  int command;
  const char* sent;  // the set command and the query, as the line and the log pane see them
};

TEST_F(ConsoleTest, AudioLevelsStepFromTheStartOfTheProgramWhetherOrNotAPortIsOpen) {
  Start();
  // No port open: each press still logs its two lines and steps its level.
  Command(IDC_BTN_VOLUME);
  Command(IDC_BTN_MIC_GAIN);
  EXPECT_EQ(LogText(), L"AT+CVOL=1\r\nAT+CVOL?\r\nAT+MICG=1\r\nAT+MICG?\r\n");

  testing_support::TtyEnd far_end(Sandbox() / "tty" / "COM1");
  ASSERT_TRUE(far_end.is_open());
  Command(IDC_RADIO_COM1);
  Command(IDC_BTN_OPEN);
  const std::wstring before = LogText();

  // Five volume levels and four gain levels, each counter on its own.
  const std::vector<Press> presses = {
      {IDC_BTN_VOLUME, "AT+CVOL=2\r\nAT+CVOL?\r\n"},
      {IDC_BTN_VOLUME, "AT+CVOL=3\r\nAT+CVOL?\r\n"},
      {IDC_BTN_MIC_GAIN, "AT+MICG=2\r\nAT+MICG?\r\n"},
      {IDC_BTN_VOLUME, "AT+CVOL=4\r\nAT+CVOL?\r\n"},
      {IDC_BTN_VOLUME, "AT+CVOL=0\r\nAT+CVOL?\r\n"},
      {IDC_BTN_MIC_GAIN, "AT+MICG=3\r\nAT+MICG?\r\n"},
      {IDC_BTN_MIC_GAIN, "AT+MICG=0\r\nAT+MICG?\r\n"},
      {IDC_BTN_VOLUME, "AT+CVOL=1\r\nAT+CVOL?\r\n"},
      {IDC_BTN_MIC_GAIN, "AT+MICG=1\r\nAT+MICG?\r\n"},
  };
  std::string expected;
  for (const Press& press : presses) {
    Command(press.command);
    expected += press.sent;
  }
  EXPECT_EQ(far_end.Read(expected.size()), expected);
  EXPECT_EQ(LogText(), before + std::wstring(expected.begin(), expected.end()));
}

}  // namespace
