// A day of the simulated terminal on the virtual clock with every timer chain running at once: the
// modem cycle with the simulated modem on COM2, the meter test cycle and the storage soak test.
// Whatever a cycle takes it gives back, so the process holds as much at the end as after the
// first hour.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "testing/console_fixture.h"

namespace {

using namespace console_testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::set<std::string> Entries(const char* folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

// What the open descriptors name, each once for every descriptor: a file reopened under a new
// number (the session record when it rotates) is the same descriptor still.
// What the process has open; the session record's current part counts as one file whichever
// part it is, since the record starts new parts as the day goes on.
std::multiset<std::string> OpenFiles() {
  static const std::regex record_part(R"(\.part[0-9]+\.log$)");
  std::multiset<std::string> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    files.insert(std::regex_replace(fs::read_symlink(entry.path(), error).string(), record_part,
                                    ".part.log"));
  }
  return files;
}

class DayLongRunTest : public ConsoleTest {
 protected:
  // How many copies of the test file there are, each checked whole.
  int TestFiles() const {
    int found = 0;
    for (const char* volume : {"SDMMC", "DataStorage"}) {
      const fs::path file = Volume(volume) / "rwtest.txt";
      if (!fs::exists(file)) continue;
      EXPECT_EQ(fs::file_size(file), 1024u) << file;
      ++found;
    }
    return found;
  }
  // The modem cycle holds COM2 open for 11 s of its 25; the counts are taken while it is closed.
  void AdvanceToPortClosed() {
    for (int step = 0; step < 300 && dlg.m_com.m_hComm != nullptr; ++step) loop.AdvanceBy(100ms);
    ASSERT_EQ(dlg.m_com.m_hComm, nullptr);
  }
};

TEST_F(DayLongRunTest, EveryChainRunsADayAndTheFileDescriptorsAndThreadsStayAsTheyWere) {
  Start();
  Command(IDC_BTN_MDN_CYCLE_START);
  Command(IDC_RADIO_VACANT_CTRL);
  Command(IDC_BTN_ETC_ON_OFF);  // starts the meter cycle
  Command(IDC_BTN_RW_TEST);

  loop.AdvanceBy(1h);
  AdvanceToPortClosed();
  const auto descriptors = OpenFiles();
  const auto threads = Entries("/proc/self/task");
  const std::wstring first_hour_log = LogText();
  EXPECT_NE(first_hour_log.find(L"COM2 OPEN!! \r\n"), std::wstring::npos);

  for (int hour = 2; hour <= 24; ++hour) {
    loop.AdvanceBy(1h);
    ASSERT_EQ(TestFiles(), 1) << "hour " << hour;
  }
  AdvanceToPortClosed();
  EXPECT_EQ(OpenFiles(), descriptors);
  EXPECT_EQ(Entries("/proc/self/task").size(), threads.size());
  EXPECT_GT(LogText().size(), first_hour_log.size());
  EXPECT_TRUE(front_end.message_boxes.empty());

  // Each chain kept going all day, the power pulse's pauses holding the others back a little.
  std::ostringstream journal;
  journal << std::ifstream(Sandbox() / "drivers.jsonl").rdbuf();
  EXPECT_GT(CountOf(journal.str(), "\"device\":\"MTR1:\""), 24 * 3600 / 2 * 8 / 10);
  EXPECT_GT(CountOf(journal.str(), "\"code\":9124"), 2 * 24 * 3600 / 26);
}

}  // namespace
