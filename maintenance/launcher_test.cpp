// The launcher on the simulated terminal: each command starts the program at its path as a real
// process, which the console never waits for and which leaves no zombie behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/stand_in_programs.h"
#include "testing/console_fixture.h"
#include "testing/program_probe.h"

namespace {

namespace fs = std::filesystem;
using namespace console_testing;
using namespace std::chrono_literals;

constexpr auto kProcessTimeout = 10s;

struct Program {
  int id;
  const char* volume;
  const char* file;  // below the volume's folder
};

const std::vector<Program> kPrograms = {
    {IDC_BTN_DMB, "ResidentFlash", "Morlune/DMB/DmbPlayer.exe"},
    {IDC_BTN_AV_PLAYER, "ResidentFlash", "Morlune/AvPlayer.exe"},
    {IDC_BTN_REAR_CAMERA, "ResidentFlash", "Morlune/RearCamera.exe"},
    {IDC_BTN_GPS_VIEWER, "Windows", "GpsViewer.exe"},
    {IDC_BTN_SETTING, "ResidentFlash", "Morlune/Setting.exe"},
    {IDC_BTN_UTIS, "ResidentFlash", "Morlune/UTIS/UTIS.exe"},
    {IDC_BTN_IE_SAMPLE, "Windows", "iesample.exe"},
};

class LauncherTest : public ConsoleTest {
 protected:
  fs::path PathOf(const Program& program) const { return Volume(program.volume) / program.file; }
  fs::path Report(int id) const { return temp_.path() / ("report-" + std::to_string(id)); }
  std::string SandboxFile(std::string_view name) const {
    std::ostringstream text;
    text << std::ifstream(Sandbox() / name).rdbuf();
    return text.str();
  }
  // A press that shows nothing: no log line, no message box.
  void ExpectNothingShown(const std::wstring& log_before) {
    EXPECT_EQ(LogText(), log_before);
    EXPECT_TRUE(front_end.message_boxes.empty());
  }
};

TEST_F(LauncherTest, EachCommandStartsTheProgramAtItsPathAndLeavesNoZombie) {
  Start();
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.file);
    testing_support::WriteProbeProgram(PathOf(program), Report(program.id));
    const std::wstring log_before = LogText();
    Command(program.id);
    const auto report = testing_support::WaitForProbeReport(Report(program.id), kProcessTimeout);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->name, PathOf(program).string());
    EXPECT_EQ(report->arguments, 0);
    ExpectNothingShown(log_before);
    EXPECT_TRUE(testing_support::WaitUntilGone(report->pid, kProcessTimeout));
  }
  EXPECT_TRUE(testing_support::ZombieChildren().empty());
}

// Decoys named GpsViewer.exe wherever a search might look; only "\Windows\GpsViewer.exe" counts,
// and without it the command does nothing at all.
TEST_F(LauncherTest, GpsViewerIsTakenFromItsPathAloneAndAMissingOneDoesNothing) {
  Start();
  const fs::path decoy_reports = temp_.path() / "decoys";
  fs::create_directories(decoy_reports);
  const std::vector<fs::path> decoys = {Volume("ResidentFlash") / "GpsViewer.exe",
                                        Volume("ResidentFlash") / "Morlune" / "GpsViewer.exe",
                                        Volume("SDMMC") / "GpsViewer.exe",
                                        Volume("Windows") / "GpsViewer.exe.exe"};
  for (std::size_t i = 0; i < decoys.size(); ++i) {
    testing_support::WriteProbeProgram(decoys[i], decoy_reports / std::to_string(i));
  }
  const Program& gps = kPrograms[3];
  const Program& setting = kPrograms[4];
  fs::remove(PathOf(gps));
  const std::wstring log_before = LogText();
  const std::string debug_before = SandboxFile("debug.log");

  Command(gps.id);
  // A program started after the press has run to its end: a decoy started by it would have too.
  testing_support::WriteProbeProgram(PathOf(setting), Report(setting.id));
  Command(setting.id);
  ASSERT_TRUE(testing_support::WaitForProbeReport(Report(setting.id), kProcessTimeout));
  ExpectNothingShown(log_before);
  EXPECT_EQ(SandboxFile("debug.log"), debug_before) << "the shell was asked";

  testing_support::WriteProbeProgram(PathOf(gps), Report(gps.id));
  Command(gps.id);
  const auto report = testing_support::WaitForProbeReport(Report(gps.id), kProcessTimeout);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->name, PathOf(gps).string());
  EXPECT_TRUE(fs::is_empty(decoy_reports)) << "a decoy ran";
}

// The shell, not the console, takes notice of a file it cannot run.
TEST_F(LauncherTest, AFileThatIsNoProgramIsHandedToTheShell) {
  Start();
  const Program& setting = kPrograms[4];
  fs::remove(PathOf(setting));
  std::ofstream(PathOf(setting)) << "read me\n";
  const std::wstring log_before = LogText();
  const std::string debug_before = SandboxFile("debug.log");
  Command(setting.id);
  const std::string notice =
      "ShellExecuteEx():: cannot open \\ResidentFlash\\Morlune\\Setting.exe, error=5\r\n";
  EXPECT_EQ(SandboxFile("debug.log"), debug_before + notice);
  ExpectNothingShown(log_before);
}

// Every press starts another instance, whether one runs already or not.
TEST_F(LauncherTest, OutOfTheBoxEachPressRunsAStandInThatNotesItsStart) {
  Start();
  for (const Program& program : kPrograms) {
    Command(program.id);
    Command(program.id);
  }
  std::multiset<std::string> started;
  const auto deadline = std::chrono::steady_clock::now() + kProcessTimeout;
  while (started.size() < 2 * kPrograms.size() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
    std::istringstream lines(SandboxFile(sim::kLaunchLogName));
    started.clear();
    for (std::string line; std::getline(lines, line);) {
      started.insert(line.substr(0, line.find(' ')));
    }
  }
  std::multiset<std::string> expected;
  for (std::wstring_view program : sim::kTerminalPrograms) {
    const std::string path = fs::path(std::wstring(program)).string();
    expected.insert({path, path});
  }
  EXPECT_EQ(started, expected);
  EXPECT_TRUE(front_end.message_boxes.empty());
}

}  // namespace
