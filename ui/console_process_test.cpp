// The console as a person runs it: the real program on a sandbox of its own, driven from outside
// through its socket.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "sender/client.h"
#include "sender/protocol.h"
#include "sim/sandbox.h"
#include "testing/child_process.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ChildProcess;

class ConsoleProcessTest : public ::testing::Test {
 protected:
  fs::path Sandbox() const { return temp_.path() / "sim"; }

  // Starts the console and waits until its socket answers.
  std::unique_ptr<ChildProcess> StartConsole(std::vector<std::string> extra_args = {}) {
    std::vector<std::string> args = {QUORVANE_BINARY, "--headless", "--sandbox", Sandbox().string()};
    args.insert(args.end(), extra_args.begin(), extra_args.end());
    auto console = std::make_unique<ChildProcess>(args, temp_.path(),
                                                  std::map<std::string, std::string>{{"QUORVANE_BOARD", ""}});
    const auto give_up = std::chrono::steady_clock::now() + 20s;
    while (!sender::ConsoleAnswers(sim::ConsoleSocketIn(Sandbox()))) {
      if (std::chrono::steady_clock::now() > give_up || console->Wait(0ms)) {
        ADD_FAILURE() << "the console did not come up: " << console->Errors();
        break;
      }
      std::this_thread::sleep_for(5ms);
    }
    return console;
  }

  sender::ExchangeResult Send(sender::Action action) {
    const auto line = sender::EncodeRequest({std::move(action), sender::Delivery::AfterHandler});
    return sender::Exchange(sim::ConsoleSocketIn(Sandbox()), std::get<std::string>(line), 20s);
  }

  testing_support::TempDir temp_;
};

TEST_F(ConsoleProcessTest, ExitCommandEndsTheConsoleCleanly) {
  auto console = StartConsole();
  EXPECT_EQ(fs::file_size(Sandbox() / "volumes/SDMMC/rwtest.txt"), 1024u);
  EXPECT_EQ(fs::status(Sandbox()).permissions() & fs::perms::all, fs::perms::owner_all);

  std::ofstream(Sandbox() / "volumes/DataStorage/rwtest.txt") << "left by a move";
  const auto exit = Send(sender::CommandRequest{1006});
  EXPECT_EQ(exit.status, sender::ExchangeStatus::Replied);
  EXPECT_EQ(console->Wait(20s), 0);
  EXPECT_FALSE(fs::exists(Sandbox() / "volumes/SDMMC/rwtest.txt"));
  EXPECT_FALSE(fs::exists(Sandbox() / "volumes/DataStorage/rwtest.txt"));
  EXPECT_FALSE(fs::exists(sim::ConsoleSocketIn(Sandbox())));
  EXPECT_EQ(console->Errors(), "");
}

TEST_F(ConsoleProcessTest, TheWindowTextAndTheLogPaneAreReadableFromOutside) {
  auto console = StartConsole();
  const auto title = Send(sender::ReadRequest{0});
  ASSERT_EQ(title.status, sender::ExchangeStatus::Replied);
  EXPECT_EQ(title.reply.text, "QUORVANE");
  const auto log = Send(sender::ReadRequest{1010});
  EXPECT_EQ(log.reply.text, "");
  Send(sender::CommandRequest{1006});
  EXPECT_EQ(console->Wait(20s), 0);
}

TEST_F(ConsoleProcessTest, ANumberBeyondADoublesRangeGetsAnErrorReplyAndTheConsoleGoesOn) {
  auto console = StartConsole();
  const auto huge = sender::Exchange(sim::ConsoleSocketIn(Sandbox()),
                                     "{\"verb\":\"read\",\"id\":1e400}\n", 20s);
  ASSERT_EQ(huge.status, sender::ExchangeStatus::Replied);
  EXPECT_EQ(huge.reply.error, "the request holds a number too large to read");
  EXPECT_EQ(Send(sender::ReadRequest{0}).reply.text, "QUORVANE");
  Send(sender::CommandRequest{1006});
  EXPECT_EQ(console->Wait(20s), 0);
}

TEST_F(ConsoleProcessTest, ASecondConsoleOnTheSameSandboxIsRefused) {
  auto first = StartConsole();
  fs::create_directory(temp_.path() / "second");
  ChildProcess second({QUORVANE_BINARY, "--sandbox", Sandbox().string()}, temp_.path() / "second");
  EXPECT_EQ(second.Wait(20s), 2);
  EXPECT_TRUE(fs::exists(Sandbox() / "volumes/SDMMC/rwtest.txt"));  // the first one's file stays
  Send(sender::CommandRequest{1006});
  EXPECT_EQ(first->Wait(20s), 0);
}

TEST_F(ConsoleProcessTest, ABrokenBoardProfileStopsStartUpWithFileAndLine) {
  const fs::path profile = temp_.path() / "board.toml";
  std::ofstream(profile) << "ansi_code_page = 949\n[volumes]\nSDCARD = \"card\"\n";
  ChildProcess console({QUORVANE_BINARY, "--sandbox", Sandbox().string(), "--board", profile.string()},
                       temp_.path());
  EXPECT_EQ(console.Wait(20s), 2);
  EXPECT_NE(console.Errors().find(profile.string() + ":3:"), std::string::npos) << console.Errors();
  EXPECT_FALSE(fs::exists(Sandbox() / "volumes/SDMMC/rwtest.txt"));
}

TEST_F(ConsoleProcessTest, CtrlCEndsTheConsoleLikeItsCloseButton) {
  auto console = StartConsole();
  ::kill(console->pid(), SIGINT);
  EXPECT_EQ(console->Wait(20s), 0);
  EXPECT_FALSE(fs::exists(Sandbox() / "volumes/SDMMC/rwtest.txt"));
}

}  // namespace
