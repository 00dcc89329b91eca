// The console as a person runs it: the real program on a sandbox of its own, driven from outside
// through its socket.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/linux/socket_calls.h"
#include "platform/ports/sandbox_location.h"
#include "sender/client.h"
#include "sender/protocol.h"
#include "sender/socket_io.h"
#include "testing/child_process.h"
#include "testing/streaming_far_end.h"
#include "testing/temp_dir.h"
#include "testing/tty_end.h"
#include "tests/console_process_fixture.h"

namespace {

using console_process_testing::ConsoleProcessTest;
using console_process_testing::Screen;
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ChildProcess;

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
  EXPECT_FALSE(fs::exists(platform::ConsoleSocketIn(Sandbox())));
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
  const auto huge = sender::Exchange(platform::ConsoleSocketIn(Sandbox()),
                                     "{\"verb\":\"read\",\"id\":1e400}\n", 20s);
  ASSERT_EQ(huge.status, sender::ExchangeStatus::Replied);
  EXPECT_EQ(huge.reply.error, "the request holds a number too large to read");
  EXPECT_EQ(Send(sender::ReadRequest{0}).reply.text, "QUORVANE");
  Send(sender::CommandRequest{1006});
  EXPECT_EQ(console->Wait(20s), 0);
}

TEST_F(ConsoleProcessTest, TheActivationCheckRestartsTheConsoleInPlaceWithAFreshDialog) {
  auto console = StartConsole();
  Send(sender::CommandRequest{1050});
  Send(sender::CommandRequest{1007});
  ASSERT_NE(Send(sender::ReadRequest{1010}).reply.text, "");

  EXPECT_EQ(Send(sender::CommandRequest{1073}).status, sender::ExchangeStatus::Replied);
  // The pane is empty again only once the same process has come back with a new dialog.
  const auto give_up = std::chrono::steady_clock::now() + 20s;
  std::optional<sender::ExchangeResult> log;
  while (std::chrono::steady_clock::now() < give_up && !console->Wait(0ms)) {
    log = Send(sender::ReadRequest{1010});
    if (log->status == sender::ExchangeStatus::Replied && log->reply.text == "") break;
    std::this_thread::sleep_for(10ms);
  }
  ASSERT_TRUE(log && log->status == sender::ExchangeStatus::Replied) << console->Errors();
  EXPECT_EQ(log->reply.text, "");
  EXPECT_EQ(fs::file_size(Sandbox() / "volumes/SDMMC/rwtest.txt"), 1024u);
  EXPECT_EQ(fs::file_size(Sandbox() / "volumes/SDMMC/NAM_COMPLETE"), 0u);
  std::ifstream restarts(Sandbox() / "restarts.jsonl");
  std::string line;
  std::vector<std::string> lines;
  while (std::getline(restarts, line)) lines.push_back(line);
  EXPECT_EQ(lines, std::vector<std::string>{"{\"event\":\"restart\"}"});

  Send(sender::CommandRequest{1006});
  EXPECT_EQ(console->Wait(20s), 0);
  ExpectNothingLeftBehind();
  EXPECT_EQ(console->Errors(), "");
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

// A FIFO with no writer once held start-up in open for good.
TEST_F(ConsoleProcessTest, ABoardProfileItCannotUseStopsStartUpWithItsName) {
  const fs::path broken = temp_.path() / "broken.toml";
  std::ofstream(broken) << "ansi_code_page = 949\n[volumes]\nSDCARD = \"card\"\n";
  const fs::path fifo = temp_.path() / "fifo.toml";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    fs::path profile;
    std::string refusal;
  } cases[] = {
      {broken, broken.string() + ":3: unknown volume"},
      {fifo, fifo.string() + ": is a FIFO, not a board profile"},
  };
  for (const auto& [profile, refusal] : cases) {
    auto console = Launch({"--board", profile.string()});
    EXPECT_EQ(console->Wait(20s), 2) << profile;
    EXPECT_NE(console->Errors().find(refusal), std::string::npos) << console->Errors();
    EXPECT_FALSE(fs::exists(Sandbox() / "volumes/SDMMC/rwtest.txt"));
  }
}

TEST_F(ConsoleProcessTest, ASandboxOthersCouldTamperWithStopsStartUpNamingThePathAtFault) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::map<std::string, std::string> environment;
    fs::path at_fault;
  };
  const fs::path sticky = temp_.path() / "tmp";
  const fs::path shared = temp_.path() / "shared";
  const std::vector<Case> cases = {
      {"a link planted by another user where XDG_STATE_HOME points",
       {},
       {{"XDG_STATE_HOME", (sticky / "state").string()}},
       sticky / "state"},
      {"a folder with files in it, named by mistake", {"--sandbox", shared.string()}, {}, shared},
  };
  fs::create_directory(sticky);
  fs::permissions(sticky, fs::perms::all | fs::perms::sticky_bit);
  fs::create_directory_symlink(temp_.path() / "victim", sticky / "state");
  const bool can_plant = ::lchown((sticky / "state").c_str(), 65534, 65534) == 0;
  fs::create_directory(shared);
  std::ofstream(shared / "report.txt") << "mine";
  for (const Case& c : cases) {
    if (!can_plant && c.environment.contains("XDG_STATE_HOME")) continue;  // not root
    std::vector<std::string> args = {QUORVANE_BINARY, "--headless"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    auto environment = c.environment;
    environment.emplace("QUORVANE_BOARD", "");
    ChildProcess console(args, temp_.path(), environment);
    EXPECT_EQ(console.Wait(20s), 2) << c.what;
    EXPECT_EQ(console.Errors().rfind("quorvane: sandbox: " + c.at_fault.string() + ": ", 0), 0u)
        << c.what << ": " << console.Errors();
  }
  EXPECT_FALSE(fs::exists(temp_.path() / "victim"));
  EXPECT_FALSE(fs::exists(shared / "volumes"));
}

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

TEST_F(ConsoleProcessTest, StopSignalsEndTheConsoleLikeItsCloseButton) {
  for (const int signal : kStopSignals) {
    SCOPED_TRACE(sigabbrev_np(signal));
    auto console = StartConsole();
    ASSERT_TRUE(fs::is_symlink(Sandbox() / "tty/COM1"));
    ::kill(console->pid(), signal);
    EXPECT_EQ(console->Wait(20s), 0) << console->Errors();
    ExpectNothingLeftBehind();
  }
}

// A stop that lands while the sandbox stands but the dialog does not yet ends start-up at once;
// one that lands a moment later ends the console as its close button does. Which of the two
// happens is up to the scheduler, so each signal is sent until it has landed in start-up.
TEST_F(ConsoleProcessTest, StopSignalsDuringStartUpEndItAtOnce) {
  for (const int signal : kStopSignals) {
    SCOPED_TRACE(sigabbrev_np(signal));
    bool ended_start_up = false;
    for (int attempt = 0; attempt < 50 && !ended_start_up; ++attempt) {
      fs::remove_all(Sandbox());
      auto console = Launch();
      while (!fs::exists(Sandbox() / "tty") && !console->Wait(0ms)) {
        std::this_thread::sleep_for(100us);
      }
      ::kill(console->pid(), signal);
      const std::optional<int> status = console->Wait(20s);
      ended_start_up = status == 128 + signal;
      if (ended_start_up) {
        EXPECT_EQ(console->Errors(),
                  "quorvane: start-up ended by SIG" + std::string(sigabbrev_np(signal)) + "\n");
      } else {
        ASSERT_EQ(status, std::optional<int>(0)) << console->Errors();
      }
      EXPECT_FALSE(fs::exists(fs::symlink_status(Sandbox() / "tty/COM1")));
    }
    EXPECT_TRUE(ended_start_up) << "no stop landed in start-up in 50 tries";
  }
}

TEST_F(ConsoleProcessTest, SigtermEndsTheConsoleAtOnceBehindManyQueuedCommands) {
  auto console = StartConsole();
  const auto address = platform::posix::LocalAddress(platform::ConsoleSocketIn(Sandbox()).string());
  ASSERT_TRUE(address.has_value());
  // 300 senders at once, each asking without waiting for the handler to open the port (which
  // pauses the console for some 100 ms each time).
  std::vector<platform::posix::UniqueFd> senders;
  for (int i = 0; i < 300; ++i) {
    senders.emplace_back(static_cast<int>(platform::posix::LocalSocket().value));
    ASSERT_TRUE(platform::posix::Connect(senders.back().get(), *address).ok());
    sender::WriteAll(senders.back().get(), "{\"verb\":\"command\",\"id\":1007}\n",
                     std::chrono::steady_clock::now() + 20s);
  }
  int taken = 0;
  for (const auto& connection : senders) {
    const auto reply =
        sender::ReadLine(connection.get(), 4096, std::chrono::steady_clock::now() + 20s);
    const auto decoded = sender::DecodeReply(reply.line);
    ASSERT_TRUE(decoded.has_value()) << reply.line;
    if (decoded->ok()) ++taken;
  }
  EXPECT_GT(taken, 0);
  EXPECT_LT(taken, 300);  // the rest are told the console is busy

  const auto signalled = std::chrono::steady_clock::now();
  ::kill(console->pid(), SIGTERM);
  EXPECT_EQ(console->Wait(20s), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - signalled, 1s);
  EXPECT_FALSE(fs::exists(platform::ConsoleSocketIn(Sandbox())));
}

TEST_F(ConsoleProcessTest, OtherSignalsLeaveTheStopSignalsWorking) {
  auto console = StartConsole();
  ::kill(console->pid(), SIGUSR1);
  ::kill(console->pid(), SIGUSR2);
  EXPECT_EQ(Send(sender::ReadRequest{0}).status, sender::ExchangeStatus::Replied);
  ::kill(console->pid(), SIGTERM);
  EXPECT_EQ(console->Wait(20s), 0);
  ExpectNothingLeftBehind();
}

// Qt would end the program on a display that does not answer.
TEST_F(ConsoleProcessTest, ADisplayWithNoServerLeavesTheConsoleHeadless) {
  int number = 99;
  while (fs::exists("/tmp/.X11-unix/X" + std::to_string(number))) ++number;
  const std::string display = ":" + std::to_string(number);
  auto console =
      StartConsole({}, {{"DISPLAY", display}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}},
                   Screen::kFromEnvironment);
  EXPECT_EQ(Send(sender::ReadRequest{0}).reply.text, "QUORVANE");
  Send(sender::CommandRequest{1006});
  EXPECT_EQ(console->Wait(20s), 0);
  EXPECT_EQ(console->Errors(),
            "quorvane: no X server answers on DISPLAY " + display + "; headless\n");
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

// The modem's commands at COM2's far end, freed from the simulated modem, with the console's
// pauses in real time: they hold the user-interface thread, so each sender waits on a thread of
// its own while the test reads the line.
TEST_F(ConsoleProcessTest, CallsAndRegistrationReachTheModemPortWithTheirPausesInRealTime) {
  const fs::path profile = temp_.path() / "board.toml";
  std::ofstream(profile) << "[serial]\nCOM2 = \"sim\"\n";
  auto console = StartConsole({"--board", profile.string()});
  testing_support::TtyEnd far_end(Sandbox() / "tty/COM2");
  ASSERT_TRUE(far_end.is_open());
  Send(sender::CommandRequest{1011});
  Send(sender::CommandRequest{1007});
  EXPECT_EQ(far_end.Read(12), "at*rx*mdn?\r\n");
  const auto arrives_after_pause = [&](const std::string& bytes) {
    const auto since = std::chrono::steady_clock::now();
    EXPECT_EQ(far_end.Read(bytes.size()), bytes);
    return std::chrono::steady_clock::now() - since;
  };

  Send(sender::TextRequest{1017, "01012345678"});
  std::thread dial([&] { Send(sender::CommandRequest{1044}); });
  EXPECT_EQ(far_end.Read(9), "AT+CAD?\r\n");
  EXPECT_GE(arrives_after_pause("AT+CDV01012345678\r\n"), 800ms);  // a second, less the jitter
  dial.join();

  Send(sender::TextRequest{1017, "0101234567"});
  std::thread registration([&] { Send(sender::CommandRequest{1061}); });
  EXPECT_EQ(far_end.Read(31), "AT*RX*SVCMODE=#120437586#315#\r\n");
  EXPECT_GE(arrives_after_pause("AT*RX*MDN=0101234567\r\n"), 1800ms);
  EXPECT_GE(arrives_after_pause("AT*KVX*RESET\r\n"), 1800ms);
  registration.join();

  // Hundreds of digits, as a script may type them: refused, nothing reaches the line.
  Send(sender::TextRequest{1017, std::string(600, '1')});
  EXPECT_EQ(Send(sender::CommandRequest{1044}).status, sender::ExchangeStatus::Replied);
  EXPECT_EQ(Send(sender::CommandRequest{1061}).status, sender::ExchangeStatus::Replied);
  Send(sender::CommandRequest{1047});
  EXPECT_EQ(far_end.Read(16), "AT+CHV\r\nAT+CAD?\r");  // first after the refusals
  EXPECT_NE(console->Errors().find("message box: 번호가 너무 깁니다. 91자까지"), std::string::npos);
  EXPECT_NE(console->Errors().find("message box: 번호가 너무 깁니다. 243자까지"),
            std::string::npos);

  Send(sender::CommandRequest{1006});
  EXPECT_EQ(console->Wait(20s), 0);
}

// WM_TIMER from outside with ids the console never sets: the message reaches the dialog and only
// the default processing takes it; the pane, the files and the drivers stay as they were.
TEST_F(ConsoleProcessTest, ATimerMessageWithAnIdNeverSetDoesNothingVisible) {
  auto console = StartConsole();
  const auto send_timer = [&](const char* id) { SendFromOutside({"message", "275", id, "0"}); };
  for (const char* id : {"0", "77", "-1"}) send_timer(id);
  EXPECT_EQ(Send(sender::ReadRequest{1010}).reply.text, "");
  EXPECT_EQ(console->Output(), "");
  EXPECT_EQ(console->Errors(), "");
  EXPECT_EQ(fs::file_size(Sandbox() / "volumes/SDMMC/rwtest.txt"), 1024u);
  EXPECT_FALSE(fs::exists(Sandbox() / "volumes/DataStorage/rwtest.txt"));
  EXPECT_EQ(fs::file_size(Sandbox() / "drivers.jsonl"), 0u);

  // The same way in, the storage test's id moves the file: the messages above did arrive.
  send_timer("2");
  EXPECT_FALSE(fs::exists(Sandbox() / "volumes/SDMMC/rwtest.txt"));
  EXPECT_EQ(fs::file_size(Sandbox() / "volumes/DataStorage/rwtest.txt"), 1024u);
  Send(sender::CommandRequest{1006});
  EXPECT_EQ(console->Wait(20s), 0);
}

// The meter side's reports, from outside and from the simulated meter, and the EAS channels as a
// person sets them in the sandbox while the console runs.
TEST_F(ConsoleProcessTest, TheMetersReportsAndTheEasChannelsReachTheLogAndTheLine) {
  auto console = StartConsole();
  SendFromOutside({"message", "1654", "0", "1"});
  SendFromOutside({"message", "1654", "-2147483648", "7"});
  EXPECT_EQ(Send(sender::ReadRequest{1010}).reply.text,
            "MTR MSG -> W=0, L=1 (승차) \r\nMTR MSG -> W=-2147483648, L=7 (빈차) \r\n");
  std::ostringstream debug_port;
  debug_port << std::ifstream(Sandbox() / "debug.log").rdbuf();
  EXPECT_NE(debug_port.str().find("CQuorvaneDlg::DefWindowProc()::wParam=0, lParam=1 \r\n"),
            std::string::npos);

  // "승차": reservation lowered (no change, no report), boarding raised (reported).
  Send(sender::CommandRequest{1071});
  EXPECT_TRUE(OutputShows(*console, "MTR MSG -> W=0, L=1 (승차) \r\nMTR MSG -> W=-2147483648"));
  EXPECT_TRUE(OutputShows(*console, "(빈차) \r\nMTR MSG -> W=0, L=1 (승차) \r\n"));

  std::ofstream(Sandbox() / "eas1.toml")
      << "eas_channels = [0x1a, 0, 0xFFFFFFFF, 4, 5, 6, 7, 8, 9, 10, 11, 12]\n";
  testing_support::TtyEnd far_end(Sandbox() / "tty/COM1");
  Send(sender::CommandRequest{1050});
  Send(sender::CommandRequest{1007});
  Send(sender::CommandRequest{1034});
  const std::string serial = "EAS ch[5]=5 ,ch[6]=6,ch[7]=7 \r\n";
  EXPECT_EQ(far_end.Read(serial.size()), serial);
  EXPECT_TRUE(OutputShows(*console, "EAS ch[1]=1a ,ch[2]=0 \r\nEAS ch[3]=ffffffff ,ch[4]=4 \r\n"
                                    "EAS ch[5]=5 ,ch[6]=6 \r\nEAS ch[7]=7 ,ch[8]=8 \r\n"
                                    "EAS ch[9]=9 ,ch[10]=a \r\nEAS ch[11]=b ,ch[12]=c \r\n"));
  Send(sender::CommandRequest{1006});
  EXPECT_EQ(console->Wait(20s), 0);
}

}  // namespace
