// The activation check on the simulated terminal: the marker on the SD card volume, the pause on
// the virtual clock, and the board's restart, recorded in the sandbox.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/sandbox.h"
#include "testing/console_fixture.h"

namespace {

using namespace console_testing;
using namespace std::chrono_literals;

class ActivationTest : public ConsoleTest {
 protected:
  std::string RestartLog() const {
    std::ifstream file(Sandbox() / sim::kRestartLogName);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }
};

TEST_F(ActivationTest, LeavesAnEmptyMarkerPausesAndAsksForOneRestart) {
  struct Case {
    const char* what;
    std::string marker_before;  // empty: no marker yet
  };
  const std::vector<Case> cases = {{"new marker", ""}, {"earlier marker emptied", "left over"}};
  Start();
  int restarts_before = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto marker = Volume("SDMMC") / "NAM_COMPLETE";
    std::filesystem::remove(marker);
    if (!c.marker_before.empty()) std::ofstream(marker) << c.marker_before;
    const std::wstring log_before = LogText();
    const auto started = clock.Now();
    Command(IDC_BTN_ACTIVATION);
    EXPECT_EQ(clock.Now() - started, 100ms);
    ASSERT_TRUE(std::filesystem::is_regular_file(marker));
    EXPECT_EQ(std::filesystem::file_size(marker), 0u);
    EXPECT_EQ(restarts_asked - restarts_before, 1);
    restarts_before = restarts_asked;
    EXPECT_EQ(LogText(), log_before);
    EXPECT_TRUE(front_end.message_boxes.empty());
  }
  EXPECT_EQ(RestartLog(), "{\"event\":\"restart\"}\n{\"event\":\"restart\"}\n");
}

TEST_F(ActivationTest, WithoutAnSdCardTheRestartIsStillAskedFor) {
  Start("[volumes]\nSDMMC = \"absent\"\n");
  Command(IDC_BTN_ACTIVATION);
  EXPECT_FALSE(std::filesystem::exists(Volume("SDMMC") / "NAM_COMPLETE"));
  EXPECT_EQ(restarts_asked, 1);
  EXPECT_EQ(RestartLog(), "{\"event\":\"restart\"}\n");
  EXPECT_TRUE(front_end.message_boxes.empty());
}

}  // namespace
