#include "sim/meter_driver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "platform/terminal/clock.h"
#include "platform/terminal/message_loop.h"
#include "testing/temp_dir.h"
#include "testing/test_dialog.h"

namespace sim {
namespace {

using Report = std::pair<WPARAM, LPARAM>;  // reservation, boarding

// The meter side reporting to a window on a real message loop, as the console's dialog runs.
class MeterReportTest : public ::testing::Test {
 protected:
  ~MeterReportTest() override {
    if (IsWindow(window_)) DestroyWindow(window_);
  }

  void OpenWindow(std::wstring text) {
    window_ = platform::CreateDialogFromTemplate(
        testing_support::TestDialogTemplate(std::move(text), {}), nullptr, &procedure_);
  }

  BOOL Request(DWORD code, DWORD value) {
    return meter_.IoControl(code, &value, sizeof value, nullptr, 0, nullptr);
  }

  std::vector<Report> Received() const {
    std::vector<Report> reports;
    for (const auto& message : procedure_.received) {
      if (message.message == WM_METER_MESSAGE) {
        reports.emplace_back(message.wParam, message.lParam);
      }
    }
    return reports;
  }

  std::vector<Report> Arrived() {
    loop_.DispatchReady();
    return Received();
  }

  testing_support::TempDir dir_;
  std::shared_ptr<DriverJournal> journal_ =
      std::make_shared<DriverJournal>(Sandbox::Prepare(dir_.path()));
  MeterDriver meter_{journal_, L"QUORVANE"};
  platform::VirtualClock clock_;
  platform::MessageLoop loop_{clock_};
  testing_support::RecordingProcedure procedure_;
  HWND window_ = nullptr;
};

TEST_F(MeterReportTest, EveryChangeOfASignalIsPostedToTheConsoleWithBothSignals) {
  OpenWindow(L"QUORVANE");
  const struct {
    DWORD code;
    DWORD value;
    std::vector<Report> reports_so_far;
  } steps[] = {
      {IOCTL_MTR_RESERVATION, 1, {{1, 0}}},
      {IOCTL_MTR_RESERVATION, 1, {{1, 0}}},  // no change, no report
      {IOCTL_MTR_BOARDING, 1, {{1, 0}, {1, 1}}},
      {IOCTL_MTR_BOARDING, 0, {{1, 0}, {1, 1}, {1, 0}}},
      {IOCTL_MTR_BOARDING, 0, {{1, 0}, {1, 1}, {1, 0}}},
      {IOCTL_MTR_BOARDING, 7, {{1, 0}, {1, 1}, {1, 0}}},  // refused
      {IOCTL_MTR_RESERVATION, 0, {{1, 0}, {1, 1}, {1, 0}, {0, 0}}},
      {IOCTL_MTR_BOARDING, 1, {{1, 0}, {1, 1}, {1, 0}, {0, 0}, {0, 1}}},  // boarding
  };
  for (const auto& step : steps) {
    Request(step.code, step.value);
    EXPECT_EQ(Arrived(), step.reports_so_far) << "after " << step.code << " " << step.value;
  }
  const auto journal = ReadJournal(dir_.path() / "drivers.jsonl");
  EXPECT_EQ(journal.back()["report"],
            nlohmann::json::parse(R"({"message":1654,"wParam":0,"lParam":1,"posted":true})"));
  EXPECT_FALSE(journal[1].contains("report"));
}

TEST_F(MeterReportTest, WithoutAWindowOfThatTextNothingIsPostedAndTheJournalSaysSo) {
  OpenWindow(L"QUORVANE 2");
  EXPECT_TRUE(Request(IOCTL_MTR_BOARDING, 1));
  EXPECT_TRUE(Arrived().empty());
  EXPECT_EQ(ReadJournal(dir_.path() / "drivers.jsonl").back()["report"]["posted"], false);
}

TEST_F(MeterReportTest, RequestsFromAnotherThreadReachTheWindowInTheirOrder) {
  OpenWindow(L"QUORVANE");
  constexpr int kChanges = 200;
  std::thread worker([this] {
    for (int i = 0; i < kChanges; ++i) Request(IOCTL_MTR_BOARDING, (i + 1) % 2);
  });
  EXPECT_TRUE(loop_.RunUntilOrTimeout([&] { return Received().size() == std::size_t{kChanges}; },
                                      std::chrono::seconds(10)));
  worker.join();
  const auto reports = Arrived();
  ASSERT_EQ(reports.size(), std::size_t{kChanges});
  for (int i = 0; i < kChanges; ++i) EXPECT_EQ(reports[i].second, (i + 1) % 2) << i;
}

}  // namespace
}  // namespace sim
