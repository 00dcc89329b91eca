// Waiting from outside on the console as a person runs it: quorvane-send expect and mark against
// the real program on its own sandbox, a far end on COM1, an EAS driver that is absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "testing/tty_end.h"
#include "tests/console_process_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using console_process_testing::ConsoleProcessTest;
using testing_support::ChildProcess;

class ConsoleExpectTest : public ConsoleProcessTest {
 protected:
  std::unique_ptr<ChildProcess> StartSender(std::vector<std::string> words) {
    const fs::path outputs = temp_.path() / ("sender" + std::to_string(++senders_));
    fs::create_directories(outputs);
    words.insert(words.begin(), {QUORVANE_SEND_BINARY, "--sandbox", Sandbox().string()});
    return std::make_unique<ChildProcess>(words, outputs);
  }
  // The expect waits from when the console takes it: `trigger` goes on until it has matched.
  static std::optional<int> TriggerUntilDone(ChildProcess& expect,
                                             const std::function<void(int)>& trigger) {
    for (int round = 0; round < 200; ++round) {
      if (const auto status = expect.Wait(50ms)) return status;
      trigger(round);
    }
    return expect.Wait(0ms);
  }
  void Exit(ChildProcess& console) {
    Send(sender::CommandRequest{1006});
    EXPECT_EQ(console.Wait(20s), 0) << console.Errors();
  }

 private:
  int senders_ = 0;
};

TEST_F(ConsoleExpectTest, BurstOnCom1IsExpectedAndAMarkTellsWhereTheRecordGoesOn) {
  auto console = StartConsole();
  testing_support::TtyEnd far_end(Sandbox() / "tty/COM1");
  ASSERT_TRUE(far_end.is_open());
  Send(sender::CommandRequest{1050});
  Send(sender::CommandRequest{1007});
  auto expect = StartSender({"expect", R"(recvdatasize:\d+\r\nTOKEN-\d+)"});
  const auto status = TriggerUntilDone(
      *expect, [&](int round) { far_end.Write("TOKEN-" + std::to_string(round)); });
  EXPECT_EQ(status, 0) << expect->Errors();
  EXPECT_TRUE(expect->Output().starts_with("recvdatasize:")) << expect->Output();
  EXPECT_NE(expect->Output().find("\r\nTOKEN-"), std::string::npos) << expect->Output();

  auto mark = StartSender({"mark"});
  ASSERT_EQ(mark->Wait(20s), 0) << mark->Errors();
  std::istringstream marked(mark->Output());
  std::uintmax_t offset = 0;
  std::uint64_t sequence = 0;
  std::string file;
  marked >> offset >> sequence;
  std::getline(marked >> std::ws, file);
  Send(sender::CommandRequest{1009});
  Exit(*console);

  std::ifstream in(file);
  ASSERT_TRUE(in) << mark->Output();
  const std::string record((std::istreambuf_iterator<char>(in)), {});
  ASSERT_LT(offset, record.size());
  const std::string before = record.substr(0, offset);
  // The mark's own line lies before the place it names; a burst still arriving from the far
  // end may be recorded between the two.
  EXPECT_NE(before.find(" cmd - verb=mark sync=0\n"), std::string::npos)
      << before.substr(before.size() - std::min<std::size_t>(before.size(), 200));
  // The line there is the one the mark numbered, and what came after the mark follows it.
  std::istringstream after(record.substr(offset));
  std::string wall, monotonic, number;
  after >> wall >> monotonic >> number;
  EXPECT_EQ(number, std::to_string(sequence));
  EXPECT_NE(record.find(" cmd - verb=command id=1009 sync=1", offset), std::string::npos);
}

TEST_F(ConsoleExpectTest, BoxOfAnAbsentDriverIsExpected) {
  const fs::path profile = temp_.path() / "board.toml";
  std::ofstream(profile) << "[drivers]\nEAS1 = \"absent\"\n";
  auto console = StartConsole({"--board", profile.string()});
  auto expect = StartSender({"expect", "--box", "CreateFile \\w+"});
  const auto status = TriggerUntilDone(*expect, [&](int) { Send(sender::CommandRequest{1034}); });
  EXPECT_EQ(status, 0) << expect->Errors();
  EXPECT_EQ(expect->Output(), "CreateFile Error");
  Exit(*console);
}

}  // namespace
