// The console as a person runs it: the real program on a sandbox of its own, driven from outside
// through its socket.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>

#include "sender/client.h"
#include "sender/protocol.h"
#include "sim/sandbox.h"
#include "testing/child_process.h"
#include "testing/streaming_far_end.h"
#include "testing/temp_dir.h"
#include "testing/tty_end.h"

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

  // Waits until the standard output holds `text` after its first `from` bytes; false after 10 s.
  static bool OutputShows(const ChildProcess& console, std::string_view text,
                          std::size_t from = 0) {
    const auto give_up = std::chrono::steady_clock::now() + 10s;
    while (console.Output().find(text, from) == std::string::npos) {
      if (std::chrono::steady_clock::now() > give_up) return false;
      std::this_thread::sleep_for(5ms);
    }
    return true;
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

// What a busy line carries into COM1: 1 KB every 90 ms is a 115200-baud line's pace.
struct Stream {
  const char* name;
  std::size_t chunk;
  std::chrono::milliseconds period;
};
constexpr Stream kStreams[] = {{"115200 baud", 1024, 90ms}, {"full speed", 4096, 0ms}};

// The port closes and the console ends in tens of milliseconds (the close button then pauses
// 100 ms of its own); before, both waited for the stream to stop, which took seconds. The bound
// leaves room for the sanitizers on a loaded machine.
constexpr auto kPrompt = 1s;
constexpr auto kCloseButtonPause = 100ms;

TEST_F(ConsoleProcessTest, APortThatKeepsReceivingClosesAtOnceAndLogsNothingAfterwards) {
  for (const Stream& stream : kStreams) {
    for (const bool by_signal : {false, true}) {
      SCOPED_TRACE(std::string(stream.name) + (by_signal ? ", SIGTERM" : ", command 1006"));
      auto console = StartConsole();
      Send(sender::CommandRequest{1050});
      Send(sender::CommandRequest{1007});
      testing_support::TtyEnd far_end(Sandbox() / "tty/COM1");
      ASSERT_TRUE(far_end.is_open());
      testing_support::StreamingFarEnd streaming(far_end.fd(), stream.chunk, stream.period, 8s);
      ASSERT_TRUE(OutputShows(*console, "recvdatasize"));
      std::this_thread::sleep_for(200ms);  // the watch thread is deep in the stream

      auto started = std::chrono::steady_clock::now();
      const auto close = Send(sender::CommandRequest{1008});
      const auto close_took = std::chrono::steady_clock::now() - started;
      ASSERT_EQ(close.status, sender::ExchangeStatus::Replied);
      EXPECT_LT(close_took, kPrompt + kCloseButtonPause);
      // The line keeps coming while nothing more may reach the log.
      const std::string logged_at_close = console->Output();
      EXPECT_TRUE(logged_at_close.ends_with("COM1 closed success \r\n"));
      std::this_thread::sleep_for(300ms);
      EXPECT_EQ(console->Output().size(), logged_at_close.size());

      Send(sender::CommandRequest{1007});
      ASSERT_TRUE(OutputShows(*console, "recvdatasize", logged_at_close.size()));
      std::this_thread::sleep_for(200ms);

      started = std::chrono::steady_clock::now();
      if (by_signal) {
        ::kill(console->pid(), SIGTERM);
      } else {
        Send(sender::CommandRequest{1006});
      }
      EXPECT_EQ(console->Wait(20s), 0);
      EXPECT_LT(std::chrono::steady_clock::now() - started, kPrompt);
      EXPECT_EQ(console->Errors(), "");
    }
  }
}

}  // namespace
