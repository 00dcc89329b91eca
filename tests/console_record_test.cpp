// The session record of the console as a person runs it: the real program on its own sandbox,
// driven through its socket, a far end on COM1, a driver that is absent; then the record's lines
// are read back from the files the run left.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testing/count_of.h"
#include "testing/test_mount.h"
#include "testing/tty_end.h"
#include "tests/console_process_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using console_process_testing::ConsoleProcessTest;
using testing_support::CountOf;

std::string Hex(std::string_view bytes) {
  std::string hex;
  char pair[3];
  for (const char c : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(c));
    hex += pair;
  }
  return hex;
}

// The lines of the one record file a run left in `folder`.
std::vector<std::string> RunRecord(const fs::path& folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
  EXPECT_EQ(files.size(), 1u);
  std::vector<std::string> lines;
  if (files.empty()) return lines;
  std::ifstream in(files.front());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The index of the first line at or after `from` that holds `part`; lines.size() when none.
std::size_t Find(const std::vector<std::string>& lines, const std::string& part,
                 std::size_t from = 0) {
  for (std::size_t index = from; index < lines.size(); ++index) {
    if (lines[index].find(part) != std::string::npos) return index;
  }
  return lines.size();
}

class ConsoleRecordTest : public ConsoleProcessTest {
 protected:
  fs::path WriteProfile(const std::string& text) const {
    fs::path profile = temp_.path() / "board.toml";
    std::ofstream(profile) << text;
    return profile;
  }
  void Exit(testing_support::ChildProcess& console) {
    Send(sender::CommandRequest{1006});
    EXPECT_EQ(console.Wait(20s), 0) << console.Errors();
  }
};

TEST_F(ConsoleRecordTest, ARunOnCom1IsRecordedBlockByBlockWithThePaneTheBoxAndTheCommands) {
  auto console = StartConsole({"--board", WriteProfile("[drivers]\nEAS1 = \"absent\"\n").string()});
  testing_support::TtyEnd far_end(Sandbox() / "tty/COM1");
  ASSERT_TRUE(far_end.is_open());
  Send(sender::CommandRequest{1050});
  Send(sender::CommandRequest{1007});
  Send(sender::CommandRequest{1009});
  const std::string sent = far_end.ReadThrough("\r\n");
  EXPECT_EQ(sent, "com1 data write ok!\r\n");
  const std::string burst = "OK\r\n\x1b<\"" + std::string(300, 'b') + "\r\n";
  ASSERT_TRUE(far_end.Write(burst));
  ASSERT_TRUE(OutputShows(*console, std::string(300, 'b') + "\r\n"));
  Send(sender::CommandRequest{1034});  // the EAS read, on an absent driver: a message box
  Send(sender::TextRequest{1017, "0101234567"});
  Exit(*console);
  EXPECT_EQ(CountOf(console->Errors(), "session record"), 0u) << console->Errors();

  const std::vector<std::string> lines = RunRecord(Sandbox() / "logs");
  ASSERT_GT(lines.size(), 10u);
  const std::regex line_form(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \d+\.\d{6} )"
                             R"((\d+) (\w+) (\S+)( \w+=(\S*|"[^"]*"))*)");
  for (std::size_t index = 0; index < lines.size(); ++index) {
    std::smatch fields;
    ASSERT_TRUE(std::regex_match(lines[index], fields, line_form)) << lines[index];
    EXPECT_EQ(fields[1].str(), std::to_string(index + 1)) << "numbered without a gap";
  }
  EXPECT_NE(lines.front().find(" start - pid=" + std::to_string(console->pid())),
            std::string::npos);
  EXPECT_NE(lines.back().find(" stop -"), std::string::npos);

  // The commands in the order they came, each before what it set off.
  const std::size_t select = Find(lines, " cmd - verb=command id=1050 sync=1");
  const std::size_t open = Find(lines, " cmd - verb=command id=1007 sync=1", select);
  const std::size_t opened =
      Find(lines, " pane 1010 op=insert text=\"COM1 OPEN!! <CR><LF>\"", open);
  const std::size_t request = Find(lines, " ioctl ETC1: code=2536 ", open);
  const std::size_t send = Find(lines, " cmd - verb=command id=1009 sync=1", opened);
  const std::size_t written = Find(
      lines, " tx COM1 bytes=21 hex=" + Hex(sent) + " text=\"com1 data write ok!<CR><LF>\"", send);
  ASSERT_LT(written, lines.size());
  EXPECT_LT(request, lines.size());
  EXPECT_NE(lines[request].find("result=ok error=0"), std::string::npos) << lines[request];

  // The burst in one or more blocks, whose bytes together are exactly what was sent.
  std::string received_hex;
  std::size_t first_block = lines.size();
  for (std::size_t index = written; index < lines.size(); ++index) {
    const auto at = lines[index].find(" rx COM1 bytes=");
    if (at == std::string::npos) continue;
    first_block = std::min(first_block, index);
    const auto hex = lines[index].find(" hex=", at) + 5;
    received_hex += lines[index].substr(hex, lines[index].find(' ', hex) - hex);
  }
  EXPECT_EQ(received_hex, Hex(burst));
  ASSERT_LT(first_block, lines.size());
  EXPECT_NE(lines[first_block].find("text=\"OK<CR><LF><ESC><LT><QUOT>b"), std::string::npos)
      << lines[first_block];
  EXPECT_LT(Find(lines, " pane 1010 op=insert text=\"<CR><LF>com[1] recvdatasize:", first_block),
            lines.size());

  const std::size_t read = Find(lines, " cmd - verb=command id=1034 sync=1", first_block);
  const std::size_t box = Find(lines, " box - answer=1 caption=\"quorvane\"", read);
  ASSERT_LT(box, lines.size());
  EXPECT_NE(lines[box].find(" text=\"EAS IO Send CreateFile Error\""), std::string::npos)
      << lines[box];
  EXPECT_LT(Find(lines, " cmd - verb=text id=1017 text=\"0101234567\" sync=1", box), lines.size());
  EXPECT_LT(Find(lines, " cmd - verb=command id=1006 sync=1", box), lines.size());
}

// What a console received in one run arrives again at a fresh console on a fresh sandbox: three
// bursts a moment apart, the second with a NUL that ends what the pane shows of it, read back
// from the first run's record; both panes end the same.
TEST_F(ConsoleRecordTest, ABurstReplayedIntoCom1GivesThePaneTextOfTheOriginalRun) {
  const auto open_com1 = [this] {
    Send(sender::CommandRequest{1050});
    Send(sender::CommandRequest{1007});
  };
  const auto pane = [this] { return Send(sender::ReadRequest{1010}).reply.text.value_or(""); };

  auto original = StartConsole();
  open_com1();
  {
    testing_support::TtyEnd far_end(Sandbox() / "tty/COM1");
    ASSERT_TRUE(far_end.is_open());
    const std::string bursts[] = {"OK\r\n", std::string("RING\0hidden\r\n", 13),
                                  "\xb0\xa1" + std::string(2000, 'x') + "\r\n"};
    for (const std::string& burst : bursts) {
      ASSERT_TRUE(far_end.Write(burst));
      ASSERT_TRUE(OutputShows(*original, "recvdatasize:" + std::to_string(burst.size())));
      std::this_thread::sleep_for(50ms);
    }
  }
  const std::string original_pane = pane();
  Exit(*original);
  std::vector<fs::path> records;
  for (const auto& entry : fs::directory_iterator(Sandbox() / "logs")) {
    records.push_back(temp_.path() / entry.path().filename());
    fs::rename(entry.path(), records.back());
  }
  ASSERT_EQ(records.size(), 1u);
  fs::remove_all(Sandbox());

  auto again = StartConsole();
  open_com1();
  const fs::path outputs = temp_.path() / "replay";
  fs::create_directories(outputs);
  testing_support::ChildProcess replay({QUORVANE_REPLAY_BINARY, records.front().string(),
                                        "--sandbox", Sandbox().string(), "--port", "COM1"},
                                       outputs);
  EXPECT_EQ(replay.Wait(20s), 0) << replay.Errors();
  EXPECT_EQ(replay.Errors(), "");
  ASSERT_TRUE(OutputShows(*again, "recvdatasize:2004"));
  EXPECT_EQ(pane(), original_pane);
  EXPECT_NE(original_pane.find("RING\r\n"), std::string::npos) << original_pane;
  Exit(*again);
}

// A log folder that cannot take the record: the console goes on as ever and says so once; once
// the folder takes it again, the record resumes.
TEST_F(ConsoleRecordTest, AReadOnlyOrFullLogFolderIsToldOnceAndTheConsoleGoesOn) {
  if (const std::string why = testing_support::MountsUnavailable(); !why.empty()) {
    GTEST_SKIP() << "no small file systems on this machine: " << why;
  }
  using testing_support::TestMount;
  const struct {
    const char* what;
    std::function<void(const TestMount&)> strike, mend;
  } faults[] = {
      {"read-only", &TestMount::MakeReadOnly, &TestMount::MakeWritable},
      {"full", [](const TestMount& folder) { folder.FillUp(); }, &TestMount::Free},
  };
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.what);
    const fs::path folder = temp_.path() / fault.what;
    const TestMount mount = TestMount::SmallFileSystem(folder, 256 * 1024);
    fault.strike(mount);
    const std::string profile = "[log]\nfolder = \"" + std::string(fault.what) + "\"\n";
    auto console = StartConsole({"--board", WriteProfile(profile).string()});
    for (int round = 0; round < 3; ++round) Send(sender::CommandRequest{1050});
    EXPECT_EQ(Send(sender::ReadRequest{0}).reply.text, "QUORVANE");
    const auto told_by = std::chrono::steady_clock::now() + 10s;
    while (console->Errors().empty() && std::chrono::steady_clock::now() < told_by) {
      std::this_thread::sleep_for(5ms);
    }
    fault.mend(mount);
    // The record tries again within a second or so; the commands after that are in it.
    const auto give_up = std::chrono::steady_clock::now() + 10s;
    std::vector<std::string> lines;
    while (std::chrono::steady_clock::now() < give_up) {
      Send(sender::CommandRequest{1051});
      std::this_thread::sleep_for(50ms);
      std::vector<fs::path> files;
      for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with("session-")) files.push_back(entry.path());
      }
      if (files.size() != 1) continue;
      std::ifstream in(files.front());
      lines.clear();
      for (std::string line; std::getline(in, line);) lines.push_back(line);
      if (Find(lines, " cmd - verb=command id=1051") < lines.size()) break;
    }
    Exit(*console);
    EXPECT_EQ(CountOf(console->Errors(), "quorvane: session record: "), 1u) << console->Errors();
    EXPECT_LT(Find(lines, " cmd - verb=command id=1051"), lines.size());
    // What happened while the folder refused waited in memory and is in the record too, or (a
    // write that failed midway) is counted as lost.
    EXPECT_TRUE(Find(lines, " cmd - verb=command id=1050") < lines.size() ||
                Find(lines, " lost - events=") < lines.size());
  }
}

}  // namespace
