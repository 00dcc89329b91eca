#include "platform/terminal/debug_port.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>

#include "platform/ports/board.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class DebugPortTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::InstallBoard({}); }

  void InstallPortFile() {
    platform::Board board;
    board.debug_port = platform::OpenDebugPortFile(log_file);
    ASSERT_NE(board.debug_port, nullptr);
    platform::InstallBoard(std::move(board));
  }

  std::string LogContent() const {
    std::ifstream in(log_file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }

  testing_support::TempDir temp;
  fs::path log_file = temp.path() / "debug.log";
};

TEST_F(DebugPortTest, LinesAreFormattedWithWideStringsAndWrittenAsUtf8) {
  std::ofstream(log_file) << "from an earlier run\n";
  InstallPortFile();
  NKDbgPrintfW(L"CQuorvaneDlg::%s %d\r\n", L"업데이트", 3);
  EXPECT_EQ(LogContent(), "from an earlier run\nCQuorvaneDlg::업데이트 3\r\n")
      << "the file is appended to, and each line is there when the call returns";
}

TEST_F(DebugPortTest, LinesFromTwoThreadsStayWhole) {
  InstallPortFile();
  constexpr int kLinesPerThread = 400;
  const std::wstring padding(300, L'.');
  auto print = [&padding](const wchar_t* who) {
    for (int i = 0; i < kLinesPerThread; ++i) {
      NKDbgPrintfW(L"WriteCommBlock():: %s line=%d %s\r\n", who, i, padding.c_str());
    }
  };
  std::thread first(print, L"first");
  std::thread second(print, L"second");
  first.join();
  second.join();

  const std::string dots(300, '.');
  std::set<std::string> expected;
  for (const char* who : {"first", "second"}) {
    for (int i = 0; i < kLinesPerThread; ++i) {
      expected.insert("WriteCommBlock():: " + std::string(who) + " line=" + std::to_string(i) +
                      " " + dots + "\r");
    }
  }
  std::istringstream lines(LogContent());
  std::set<std::string> seen;
  for (std::string line; std::getline(lines, line);) {
    ASSERT_TRUE(expected.count(line) == 1) << "mangled line: " << line;
    seen.insert(line);
  }
  EXPECT_EQ(seen, expected);
}

TEST_F(DebugPortTest, WithoutAPortLinesGoNowhere) {
  platform::InstallBoard({});
  NKDbgPrintfW(L"CQuorvaneDlg::SW UPDATE \r\n");
  EXPECT_FALSE(fs::exists(log_file));
}

TEST_F(DebugPortTest, ANewPortFileIsTheUsersAlone) {
  InstallPortFile();
  EXPECT_EQ(fs::status(log_file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(DebugPortTest, APortFileInAMissingFolderIsRefusedByName) {
  const fs::path missing = temp.path() / "missing" / "debug.log";
  try {
    platform::OpenDebugPortFile(missing);
    FAIL() << "opened";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
    EXPECT_NE(std::string(error.what()).find(missing.string()), std::string::npos);
  }
}

TEST_F(DebugPortTest, StandardErrorPortWritesTheLine) {
  platform::Board board;
  board.debug_port = platform::DebugPortToStandardError();
  platform::InstallBoard(std::move(board));
  ::testing::internal::CaptureStderr();
  NKDbgPrintfW(L"OnCommRead():: %d bytes\r\n", 12);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "OnCommRead():: 12 bytes\r\n");
}

}  // namespace
