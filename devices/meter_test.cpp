// The taxi meter's signals, its test cycle on the virtual clock and its reports, on the simulated
// terminal: what reaches "MTR1:" is read back from the driver journal.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/timer_ids.h"
#include "platform/terminal/vehicle_io_codes.h"
#include "testing/console_fixture.h"

namespace {

using namespace console_testing;
using namespace std::chrono_literals;

using Sent = std::vector<DriverCall>;

constexpr DriverCall kReservationOn{true, 8029, 1, 0};
constexpr DriverCall kReservationOff{true, 8029, 0, 0};
constexpr DriverCall kBoardingOn{true, 8028, 1, 0};
constexpr DriverCall kBoardingOff{true, 8028, 0, 0};
constexpr char kMeterAbsent[] = "[drivers]\nMTR1 = \"absent\"\n";

class MeterTest : public ConsoleTest {
 protected:
  Sent SentToMeter() { return NewCallsTo("MTR1:"); }
  // The ON/OFF button with vacancy control selected: starts or stops the cycle by the toggle.
  void PressVacancyOnOff() {
    Command(IDC_RADIO_VACANT_CTRL);
    Command(IDC_BTN_ETC_ON_OFF);
  }
  // Lets the cycle's steps fall due one by one and collects what each sent.
  std::vector<Sent> Steps(int count) {
    std::vector<Sent> steps;
    for (int step = 0; step < count; ++step) {
      loop.AdvanceBy(1999ms);
      EXPECT_TRUE(SentToMeter().empty()) << "step " << step << " came early";
      loop.AdvanceBy(1ms);
      steps.push_back(SentToMeter());
    }
    return steps;
  }
};

struct ButtonCase {
  int button;
  Sent sent;
};
const std::vector<ButtonCase> kButtons = {
    {IDC_BTN_RESERVE_ON, {kReservationOn, kBoardingOn, kBoardingOff}},
    {IDC_BTN_BOARDING, {kReservationOff, kBoardingOn}},
    {IDC_BTN_VACANT_ON, {kReservationOff, kBoardingOn, kBoardingOff}},
};

TEST_F(MeterTest, EachButtonSendsItsRequestsBackToBackInOrder) {
  Start();
  for (const ButtonCase& c : kButtons) {
    const auto started = clock.Now();
    Command(c.button);
    EXPECT_EQ(SentToMeter(), c.sent) << c.button;
    EXPECT_EQ(clock.Now(), started);
  }
  EXPECT_TRUE(front_end.message_boxes.empty());
}

TEST_F(MeterTest, WithoutTheDriverEachRequestOfAButtonShowsItsBox) {
  Start(kMeterAbsent);
  for (const ButtonCase& c : kButtons) {
    front_end.message_boxes.clear();
    Command(c.button);
    EXPECT_EQ(SentToMeter(), Sent(c.sent.size(), OpenRefused())) << c.button;
    EXPECT_EQ(front_end.message_boxes.size(), c.sent.size()) << c.button;
    for (const auto& box : front_end.message_boxes) {
      EXPECT_EQ(box.text, L"Navi IO Send CreateFile Error");
    }
  }
}

TEST_F(MeterTest, TheCycleWalksBothSignalsTwoSecondsApartAndResumesWhereItStopped) {
  Start();
  PressVacancyOnOff();
  EXPECT_EQ(
      Steps(5),
      (std::vector<Sent>{
          {kReservationOn}, {kReservationOff}, {kBoardingOn}, {kBoardingOff}, {kReservationOn}}));
  EXPECT_EQ(dlg.m_nMeterStep, 1);

  Command(IDC_BTN_MTR_CYCLE_STOP);
  loop.AdvanceBy(10s);
  EXPECT_TRUE(SentToMeter().empty());
  EXPECT_EQ(dlg.m_nMeterStep, 1);
  Command(IDC_BTN_MTR_CYCLE_STOP);  // stopping a stopped cycle changes nothing
  EXPECT_EQ(dlg.m_nMeterStep, 1);

  // The toggle still says "off" after 1056: that press only stops, the next one starts.
  PressVacancyOnOff();
  loop.AdvanceBy(10s);
  EXPECT_TRUE(SentToMeter().empty());
  PressVacancyOnOff();
  EXPECT_EQ(Steps(2), (std::vector<Sent>{{kReservationOff}, {kBoardingOn}}));
}

TEST_F(MeterTest, StartingARunningCycleOnlyRestartsTheWaitingStep) {
  Start();
  PressVacancyOnOff();
  loop.AdvanceBy(1s);
  // Another selection flips the shared toggle back, so the next vacancy press starts again.
  Command(IDC_RADIO_POWER_OFF);
  Command(IDC_BTN_ETC_ON_OFF);
  PressVacancyOnOff();
  EXPECT_EQ(Steps(2), (std::vector<Sent>{{kReservationOn}, {kReservationOff}}));
}

TEST_F(MeterTest, WithoutTheDriverEveryStepShowsItsBoxAndTheCycleGoesOn) {
  Start(kMeterAbsent);
  PressVacancyOnOff();
  const std::vector<Sent> steps = Steps(5);
  EXPECT_EQ(steps, std::vector<Sent>(5, Sent{OpenRefused()}));
  EXPECT_EQ(front_end.message_boxes.size(), 5u);
  EXPECT_EQ(dlg.m_nMeterStep, 1);
}

TEST_F(MeterTest, TheMetersReportIsLoggedWithItsStateAndWrittenToTheDebugPort) {
  struct Case {
    WPARAM wParam;
    LPARAM lParam;
    std::wstring logged;
    std::string debug_line;
  };
  const std::vector<Case> cases = {
      {0, 1, L"MTR MSG -> W=0, L=1 (승차) \r\n",
       "CQuorvaneDlg::DefWindowProc()::wParam=0, lParam=1 \r\n"},
      {0, 0, L"MTR MSG -> W=0, L=0 (빈차) \r\n",
       "CQuorvaneDlg::DefWindowProc()::wParam=0, lParam=0 \r\n"},
      {1, 0, L"MTR MSG -> W=1, L=0 (빈차) \r\n",
       "CQuorvaneDlg::DefWindowProc()::wParam=1, lParam=0 \r\n"},
      {1, 1, L"MTR MSG -> W=1, L=1 (빈차) \r\n",
       "CQuorvaneDlg::DefWindowProc()::wParam=1, lParam=1 \r\n"},
      {static_cast<WPARAM>(-7), static_cast<LPARAM>(INT_MIN),
       L"MTR MSG -> W=-7, L=-2147483648 (빈차) \r\n",
       "CQuorvaneDlg::DefWindowProc()::wParam=-7, lParam=-2147483648 \r\n"},
      {static_cast<WPARAM>(INT_MAX), 0xFFFFFFFF, L"MTR MSG -> W=2147483647, L=-1 (빈차) \r\n",
       "CQuorvaneDlg::DefWindowProc()::wParam=2147483647, lParam=-1 \r\n"},
  };
  Start();
  std::wstring log;
  std::string debug;
  for (const Case& c : cases) {
    dlg.SendMessage(WM_METER_MESSAGE, c.wParam, c.lParam);
    log += c.logged;
    debug += c.debug_line;
  }
  EXPECT_EQ(LogText(), log);
  std::ostringstream debug_port;
  debug_port << std::ifstream(Sandbox() / "debug.log").rdbuf();
  EXPECT_EQ(debug_port.str(), debug);
}

}  // namespace
