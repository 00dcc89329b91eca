// The ETC lines, the modem's power and its start pulse, on the simulated terminal: what reaches
// "ETC1:" is read back from the driver journal.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "testing/console_fixture.h"

namespace {

using namespace console_testing;
using namespace std::chrono_literals;

using Sent = std::vector<DriverCall>;

class EtcLinesTest : public ConsoleTest {
 protected:
  Sent SentToEtc() { return NewCallsTo("ETC1:"); }
};

TEST_F(EtcLinesTest, OnOffSendsTheSelectedCodeWithTheSharedToggle) {
  struct Case {
    const char* what;
    std::vector<int> commands;
    Sent sent;
  };
  constexpr int kOnOff = IDC_BTN_ETC_ON_OFF;
  // One console for all rows: the toggle carries over from row to row, as it does for a person.
  const std::vector<Case> cases = {
      {"the toggle alternates from 1 after start-up",
       {IDC_RADIO_POWER_ON, kOnOff, kOnOff, kOnOff},
       {{true, 9120, 1, 1}, {true, 9120, 0, 1}, {true, 9120, 1, 1}}},
      {"a new selection keeps the toggle",
       {IDC_RADIO_POWER_ON, kOnOff, IDC_RADIO_POWER_OFF, kOnOff},
       {{true, 9120, 0, 1}, {true, 9119, 1, 1}}},
      {"the lines without a control",
       {IDC_RADIO_1051, kOnOff, IDC_RADIO_1018, kOnOff, IDC_RADIO_1031, kOnOff},
       {{true, 9124, 0, 1}, {true, 9121, 1, 1}, {true, 9010, 0, 1}}},
      {"the pair: on as 7002, off as 7001",
       {IDC_RADIO_1032, kOnOff, kOnOff, kOnOff},
       {{true, 7002, 1, 1}, {true, 7001, 0, 1}, {true, 7002, 1, 1}}},
      {"the pair selected with the toggle at 0", {IDC_RADIO_1032, kOnOff}, {{true, 7001, 0, 1}}},
      {"after an EAS read the EAS code goes to ETC1:",
       {IDC_BTN_EAS_READ, kOnOff},
       {{true, 8002, 1, 1}}},
      {"the modem's power leaves the toggle and the code alone",
       {IDC_RADIO_POWER_OFF, IDC_BTN_MODEM_POWER_ON, IDC_BTN_MODEM_POWER_OFF, kOnOff},
       {{true, 9125, 1, 0}, {true, 9125, 0, 0}, {true, 9119, 0, 1}}},
  };
  Start();
  for (const Case& c : cases) {
    for (int command : c.commands) Command(command);
    EXPECT_EQ(SentToEtc(), c.sent) << c.what;
  }
  EXPECT_TRUE(front_end.message_boxes.empty());
}

TEST_F(EtcLinesTest, WithoutTheDriverEachPressShowsItsBoxOnceAndTheToggleStillFlips) {
  Start("[drivers]\nETC1 = \"absent\"\n");
  Command(IDC_RADIO_1032);
  for (int press = 0; press < 3; ++press) Command(IDC_BTN_ETC_ON_OFF);
  EXPECT_EQ(dlg.m_nEtcOnOff, 0);
  EXPECT_EQ(dlg.m_dwEtcIoctl, 7002u);  // the swap happens with or without the driver
  Command(IDC_BTN_MODEM_POWER_ON);
  Command(IDC_BTN_MODEM_POWER_OFF);

  std::vector<std::wstring> texts;
  for (const auto& box : front_end.message_boxes) texts.push_back(box.text);
  EXPECT_EQ(texts, (std::vector<std::wstring>{
                       L"ETC IO Send CreateFile Error", L"ETC IO Send CreateFile Error",
                       L"ETC IO Send CreateFile Error", L"Navi IO Send CreateFile Error",
                       L"Navi IO Send CreateFile Error"}));
}

TEST_F(EtcLinesTest, VacancyControlNeverTouchesEtc1EvenWithoutIt) {
  Start("[drivers]\nETC1 = \"absent\"\n");
  Command(IDC_RADIO_VACANT_CTRL);
  Command(IDC_BTN_ETC_ON_OFF);  // starts the meter cycle
  Command(IDC_BTN_ETC_ON_OFF);  // stops it
  Command(IDC_BTN_ETC_ON_OFF);  // starts it again
  EXPECT_EQ(dlg.m_nEtcOnOff, 0);
  EXPECT_TRUE(SentToEtc().empty());
  EXPECT_TRUE(front_end.message_boxes.empty());
}

TEST_F(EtcLinesTest, TheModemStartPulseHoldsOneOpenAcrossItsPause) {
  Start();
  const auto started = clock.Now();
  dlg.OnModemStartTimer();
  EXPECT_EQ(clock.Now() - started, 3000ms);
  EXPECT_EQ(SentToEtc(), (Sent{{true, 9124, 0, 0}, {true, 9124, 1, 0}}));
}

TEST_F(EtcLinesTest, WithoutTheDriverTheModemStartPulseStillPauses) {
  Start("[drivers]\nETC1 = \"absent\"\n");
  const auto started = clock.Now();
  dlg.OnModemStartTimer();
  EXPECT_EQ(clock.Now() - started, 3000ms);
  ASSERT_EQ(front_end.message_boxes.size(), 1u);
  EXPECT_EQ(front_end.message_boxes[0].text, L"Navi IO Send CreateFile Error");
  EXPECT_EQ(SentToEtc(), Sent{OpenRefused()});
}

}  // namespace
