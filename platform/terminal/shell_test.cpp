// The shell's start of programs on the volumes, with real processes in a temporary folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/ports/board.h"
#include "platform/terminal/shell.h"
#include "testing/program_probe.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ProbeReport;

constexpr auto kProcessTimeout = 10s;

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Board board;
    fs::create_directories(Volume() / "Apps");
    board.volumes.Add(L"ResidentFlash", Volume());
    board.debug_port = platform::OpenDebugPortFile(DebugLog());
    platform::InstallBoard(std::move(board));
  }
  void TearDown() override { platform::InstallBoard({}); }

  fs::path Volume() const { return temp.path() / "flash"; }
  fs::path DebugLog() const { return temp.path() / "debug.log"; }
  fs::path Report() const { return temp.path() / "report"; }
  std::string DebugText() const {
    std::ostringstream text;
    text << std::ifstream(DebugLog()).rdbuf();
    return text.str();
  }
  // Opens `file` through the shell as the console does.
  static BOOL Open(LPCWSTR file, LPCWSTR verb = L"Open") {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = kShellExecuteInfoSize;
    info.lpVerb = verb;
    info.lpFile = file;
    info.nShow = SW_SHOW;
    return ShellExecuteExW(&info);
  }

  testing_support::TempDir temp;
};

// The console blocks its stop signals, ignores others and holds descriptors of its own; none of
// that may reach the program.
TEST_F(ShellTest, TheProgramStartsCleanInItsOwnFolderAndIsReaped) {
  const fs::path program = Volume() / "Apps" / "Probe.exe";
  testing_support::WriteProbeProgram(program, Report());
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  for (int signal : {SIGHUP, SIGINT, SIGTERM}) sigaddset(&stop_signals, signal);
  sigset_t old_mask;
  pthread_sigmask(SIG_BLOCK, &stop_signals, &old_mask);
  const auto old_usr1 = std::signal(SIGUSR1, SIG_IGN);
  const auto old_pipe = std::signal(SIGPIPE, SIG_IGN);
  const fs::path stray_file = temp.path() / "stray";
  const int stray = ::open(stray_file.c_str(), O_WRONLY | O_CREAT, 0600);  // no CLOEXEC

  const BOOL opened = Open(L"\\residentflash\\apps\\probe.exe", L"OPEN");

  ::close(stray);
  std::signal(SIGPIPE, old_pipe);
  std::signal(SIGUSR1, old_usr1);
  pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);
  ASSERT_TRUE(opened);
  const auto report = testing_support::WaitForProbeReport(Report(), kProcessTimeout);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->name, program.string());
  EXPECT_EQ(report->arguments, 0);
  EXPECT_EQ(report->folder, fs::canonical(program.parent_path()).string());
  EXPECT_EQ(report->blocked_signals, "0000000000000000");
  EXPECT_EQ(report->ignored_signals, "0000000000000000");
  EXPECT_EQ(report->descriptors.at(0), "/dev/null");
  for (const auto& [fd, target] : report->descriptors) {
    EXPECT_NE(target, stray_file.string()) << "descriptor " << fd;
  }
  EXPECT_TRUE(testing_support::WaitUntilGone(report->pid, kProcessTimeout));
  EXPECT_TRUE(testing_support::ZombieChildren().empty());
  EXPECT_EQ(DebugText(), "");
}

TEST_F(ShellTest, WhatCannotBeOpenedFailsWithTheShellsNotice) {
  const fs::path apps = Volume() / "Apps";
  std::ofstream(apps / "Notes.exe") << "not a program\n";
  std::ofstream(apps / "Garbage.exe") << "\x7f"
                                         "ELF? no\n";
  fs::permissions(apps / "Garbage.exe", fs::perms::owner_all);
  testing_support::WriteProbeProgram(apps / "Probe.exe", Report());
  struct Case {
    LPCWSTR file;
    LPCWSTR verb;
    DWORD error;
  };
  const std::vector<Case> cases = {
      {L"\\ResidentFlash\\Apps\\Notes.exe", L"Open", ERROR_ACCESS_DENIED},
      {L"\\ResidentFlash\\Apps\\Garbage.exe", L"Open", ERROR_BAD_EXE_FORMAT},
      {L"\\ResidentFlash\\Apps", L"Open", ERROR_ACCESS_DENIED},
      {L"\\ResidentFlash\\Apps\\Missing.exe", L"Open", ERROR_FILE_NOT_FOUND},
      {L"\\Windows\\Probe.exe", L"Open", ERROR_PATH_NOT_FOUND},
      {L"\\ResidentFlash\\..\\Apps\\Probe.exe", L"Open", ERROR_INVALID_NAME},
      {L"\\ResidentFlash\\Apps\\Probe.exe", L"Print", ERROR_NO_ASSOCIATION},
      {L"\\ResidentFlash\\Apps\\Probe.exe", L"Opener", ERROR_NO_ASSOCIATION},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fs::path(c.file).string());
    const std::string debug_before = DebugText();
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(Open(c.file, c.verb));
    EXPECT_EQ(GetLastError(), c.error);
    std::ostringstream line;
    line << "ShellExecuteEx():: cannot open " << fs::path(c.file).string() << ", error=" << c.error
         << "\r\n";
    EXPECT_EQ(DebugText(), debug_before + line.str());
  }
  EXPECT_FALSE(fs::exists(Report())) << "a refused open started the probe";
}

}  // namespace
