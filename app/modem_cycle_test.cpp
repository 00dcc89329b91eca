// The modem cycle on the virtual clock: with the test at COM2's far end, with the simulated modem
// there, and with no COM2 at all.
#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/timer_ids.h"
#include "testing/console_fixture.h"
#include "testing/tty_end.h"

namespace {

using namespace console_testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr char kCom2AtFarEnd[] = "[serial]\nCOM2 = \"sim\"\n";
constexpr char kQuery[] = "at*rx*mdn?\r\n";
constexpr wchar_t kOpened[] = L"COM2 OPEN!! \r\n";
constexpr wchar_t kOpenError[] = L"COM2 OPEN Error!! \r\n";
// From the start command to the port's open: 100 ms, 1000 ms, the 3-second pulse, 10000 ms.
constexpr auto kStartToOpen = 14100ms;

std::size_t ThreadCount() {
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator("/proc/self/task"), fs::directory_iterator()));
}

class ModemCycleTest : public ConsoleTest {
 protected:
  std::string DebugPort() const {
    std::ostringstream text;
    text << std::ifstream(Sandbox() / "debug.log").rdbuf();
    return text.str();
  }
  std::size_t QueriesWritten() const {
    return CountOf(DebugPort(), "WriteCommBlock():: dwWritten=12\r\n");
  }
  std::size_t WritesFailed() const { return CountOf(DebugPort(), "WriteCommBlock():: error="); }
  // Whether anything more reaches the far end within a short wait.
  static bool FarEndHearsMore(const testing_support::TtyEnd& far_end) {
    pollfd ready{far_end.fd(), POLLIN, 0};
    return ::poll(&ready, 1, 200) == 1 && (ready.revents & POLLIN);
  }
};

TEST_F(ModemCycleTest, OneCycleOpensCom2QueriesTenTimesAndClosesThenStartsAgain) {
  Start(kCom2AtFarEnd);
  testing_support::TtyEnd far_end(Sandbox() / "tty" / "COM2");
  ASSERT_TRUE(far_end.is_open());
  Command(IDC_BTN_MDN_CYCLE_START);

  loop.AdvanceBy(kStartToOpen - 1ms);
  EXPECT_EQ(LogText(), L"");
  loop.AdvanceBy(1ms);
  EXPECT_EQ(LogText(), kOpened);
  EXPECT_EQ(dlg.m_nComPort, 2);
  const auto journal = Journal();
  ASSERT_EQ(journal.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(journal[i]["device"], "ETC1:");
    EXPECT_EQ(journal[i]["code"], 9124);
    EXPECT_EQ(journal[i]["input"], i);
  }

  for (std::size_t query = 1; query <= 10; ++query) {
    loop.AdvanceBy(999ms);
    EXPECT_EQ(QueriesWritten(), query - 1);
    loop.AdvanceBy(1ms);
    EXPECT_EQ(QueriesWritten(), query);
    EXPECT_EQ(far_end.Read(12), kQuery) << "query " << query;
  }

  // The eleventh tick closes the port first: its query fails on the debug port alone.
  EXPECT_EQ(WritesFailed(), 0u);
  loop.AdvanceBy(1s);
  EXPECT_EQ(QueriesWritten(), 10u);
  EXPECT_EQ(WritesFailed(), 1u);
  EXPECT_EQ(dlg.m_com.m_hComm, nullptr);
  EXPECT_EQ(dlg.m_nMdnQueryCount, 0);
  EXPECT_FALSE(FarEndHearsMore(far_end));

  // The next cycle opens the port again 14.1 s after the close, 25.1 s after the first open.
  loop.AdvanceBy(kStartToOpen - 1ms);
  EXPECT_EQ(CountOf(LogText(), kOpened), 1u);
  loop.AdvanceBy(100ms);
  EXPECT_EQ(LogText(), std::wstring(kOpened) + kOpened);
  EXPECT_EQ(Journal().size(), 4u);
  EXPECT_TRUE(front_end.message_boxes.empty());
}

TEST_F(ModemCycleTest, TheSimulatedModemAnswersTheCyclesQueriesInTheLog) {
  Start();
  Command(IDC_BTN_MDN_CYCLE_START);
  loop.AdvanceBy(kStartToOpen + 1s);
  ASSERT_EQ(QueriesWritten(), 1u);
  EXPECT_TRUE(loop.RunUntilOrTimeout(
      [&] { return LogText().find(L"*RX*MDN: 01012345678") != std::wstring::npos; }, 10s))
      << LogText();
  EXPECT_EQ(LogText().rfind(kOpened, 0), 0u);
  EXPECT_NE(LogText().find(L"aaaaa w:"), std::wstring::npos);
}

TEST_F(ModemCycleTest, WithoutCom2EveryCycleShowsTheOpenErrorAndQueriesTheClosedPort) {
  Start("[serial]\nCOM2 = \"absent\"\n");
  Command(IDC_BTN_MDN_CYCLE_START);
  loop.AdvanceBy(kStartToOpen);
  std::wstring expected_log;
  for (std::size_t cycle = 1; cycle <= 3; ++cycle) {
    expected_log += kOpenError;
    EXPECT_EQ(LogText(), expected_log) << "cycle " << cycle;
    ASSERT_EQ(front_end.message_boxes.size(), cycle);
    EXPECT_EQ(front_end.message_boxes.back().text, L"c:2");
    EXPECT_EQ(dlg.m_nComPort, 2);
    EXPECT_EQ(Journal().size(), 2 * cycle);  // the pulse goes out all the same
    loop.AdvanceBy(11s);
    EXPECT_EQ(WritesFailed(), 11 * cycle);
    loop.AdvanceBy(kStartToOpen + 20ms);
  }
}

TEST_F(ModemCycleTest, TheClosingTickDeletesTheSelectionInTheLogPaneAndNothingElse) {
  struct Case {
    const char* what;
    int selection_start;
    int selection_end;
    std::wstring left;
  };
  const Case cases[] = {
      {"a selection", 6, 13, L"first third"},
      {"a backward selection", 13, 6, L"first third"},
      {"the caret alone", 6, 6, L"first second third"},
      {"everything", 0, -1, L""},
  };
  Start(kCom2AtFarEnd);
  Command(IDC_BTN_MDN_CYCLE_START);
  for (const Case& c : cases) {
    // The cycle's tenth query has gone out; the next tick closes the port.
    for (int step = 0; step < 300 && dlg.m_nMdnQueryCount != 10; ++step) loop.AdvanceBy(100ms);
    ASSERT_EQ(dlg.m_nMdnQueryCount, 10) << c.what;
    dlg.m_editLog.SetWindowText(L"first second third");
    dlg.m_editLog.SendMessage(EM_SETSEL, static_cast<WPARAM>(c.selection_start),
                              static_cast<LPARAM>(c.selection_end));
    loop.AdvanceBy(1s);
    EXPECT_EQ(dlg.m_com.m_hComm, nullptr) << c.what;
    EXPECT_EQ(LogText(), c.left) << c.what;
  }
}

// A second start is ignored: the running chain keeps its rhythm, with one port and one watch
// thread, wherever in the cycle the second start comes.
TEST_F(ModemCycleTest, ASecondStartLeavesTheRunningCycleAsItIs) {
  Start(kCom2AtFarEnd);
  const std::size_t threads_idle = ThreadCount();
  Command(IDC_BTN_MDN_CYCLE_START);
  const struct {
    const char* moment;
    std::chrono::milliseconds after_previous;
  } seconds[] = {
      {"before the first tick", 50ms},
      {"just after the power pulse", 1050ms},  // the pulse's 3 s pass inside its tick
      {"waiting for the port to open", 5s},
      {"while the port is open", 7s},
  };
  for (const auto& second : seconds) {
    loop.AdvanceBy(second.after_previous);
    Command(IDC_BTN_MDN_CYCLE_START);
    EXPECT_EQ(ThreadCount(), threads_idle + (dlg.m_com.m_bConnected ? 1 : 0)) << second.moment;
  }
  // 16.1 s have passed: the single chain's port opened at 14.1 s and closes at 25.1 s.
  EXPECT_EQ(CountOf(LogText(), kOpened), 1u);
  loop.AdvanceBy(9s);
  EXPECT_EQ(dlg.m_com.m_hComm, nullptr);
  EXPECT_EQ(QueriesWritten(), 10u);
  loop.AdvanceBy(15s);
  EXPECT_EQ(CountOf(LogText(), kOpened), 2u);
  EXPECT_EQ(ThreadCount(), threads_idle + 1);
  EXPECT_EQ(Journal().size(), 4u);  // two pulses
  EXPECT_EQ(CountOf(DebugPort(), "OnBnClickedMdnCycleStart():: the cycle runs already"), 4u);
}

TEST_F(ModemCycleTest, ATimerTheConsoleNeverSetsDoesNothing) {
  Start();
  const auto sd_before = fs::file_size(Volume("SDMMC") / "rwtest.txt");
  for (UINT_PTR id : {UINT_PTR{0}, UINT_PTR{1}, UINT_PTR{3}, UINT_PTR{14}, UINT_PTR{22},
                      UINT_PTR{25}, ~UINT_PTR{0}}) {
    dlg.SendMessage(WM_TIMER, id, 0);
  }
  loop.AdvanceBy(1min);
  EXPECT_EQ(LogText(), L"");
  EXPECT_TRUE(Journal().empty());
  EXPECT_TRUE(front_end.message_boxes.empty());
  EXPECT_EQ(fs::file_size(Volume("SDMMC") / "rwtest.txt"), sd_before);
  EXPECT_FALSE(fs::exists(Volume("DataStorage") / "rwtest.txt"));
  EXPECT_EQ(dlg.m_com.m_hComm, nullptr);
}

}  // namespace
