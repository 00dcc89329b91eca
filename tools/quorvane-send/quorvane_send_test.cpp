// The real quorvane-send binary against a console running in this test process.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ports/window_model.h"
#include "testing/child_process.h"
#include "testing/temp_dir.h"
#include "testing/test_console.h"

namespace {

using namespace sender_testing;

struct Finished {
  int status = -1;  // -1: still running at the limit, or ended by a signal
  std::string out;
  std::string err;
};

// Runs a program to its end with `input` on its standard input and collects both of its outputs.
Finished RunProgram(std::vector<std::string> args, const std::filesystem::path& output_folder,
                    const std::string& input = "",
                    const std::map<std::string, std::string>& environment = {}) {
  testing_support::ChildProcess program(std::move(args), output_folder, environment, input);
  EXPECT_TRUE(program.started());
  const std::optional<int> status = program.Wait(std::chrono::seconds(30));
  return {status.value_or(-1), program.Output(), program.Errors()};
}

class QuorvaneSendTest : public ::testing::Test {
 protected:
  // quorvane-send with `args`, while the console's loop runs.
  Finished Send(std::vector<std::string> args,
                const std::map<std::string, std::string>& environment = {}) {
    args.insert(args.begin(), QUORVANE_SEND_BINARY);
    Finished finished;
    console.RunWhile([&] { finished = RunProgram(args, outputs.path(), "", environment); });
    return finished;
  }
  Finished SendToConsole(std::vector<std::string> args) {
    args.insert(args.begin(), {"--socket", console.socket_path().string()});
    return Send(std::move(args));
  }

  TestConsole console;
  testing_support::TempDir outputs;
};

TEST_F(QuorvaneSendTest, ReadPrintsTheTextExactlyAsHeld) {
  SendMessageW(console.control(kLog), EM_REPLACESEL, 0,
               reinterpret_cast<LPARAM>(L"COM2 OPEN!! \r\n수신 데이터\r\n끝"));
  const Finished read = SendToConsole({"read", std::to_string(kLog)});
  EXPECT_EQ(read.status, 0);
  EXPECT_EQ(read.out, "COM2 OPEN!! \r\n수신 데이터\r\n끝");
  EXPECT_EQ(read.err, "");
}

TEST_F(QuorvaneSendTest, DeliveredRequestsExitWithZero) {
  const Finished click = SendToConsole({"--sync", "command", std::to_string(kRadioTwo)});
  EXPECT_EQ(click.status, 0);
  EXPECT_EQ(click.out, "");
  EXPECT_TRUE(platform::FindWindowState(console.control(kRadioTwo))->checked);

  // Options may follow the verb; a TEXT that looks like an option follows "--".
  EXPECT_EQ(Send({"text", std::to_string(kEdit), "--sandbox", console.folder().string(), "--sync",
                  "--", "-12"})
                .status,
            0);
  EXPECT_EQ(platform::FindWindowState(console.control(kEdit))->text, u"-12");

  EXPECT_EQ(SendToConsole({"--sync", "select", std::to_string(kEdit), "-1", "-1"}).status, 0);
  EXPECT_EQ(SendToConsole({"--sync", "message", "0x676", "-1", "-2147483648"}).status, 0);
  const auto meter = console.procedure().Received(WM_USER + 630);
  ASSERT_EQ(meter.size(), 1u);
  EXPECT_EQ(meter[0].lParam, LPARAM{-2147483648LL});
}

TEST_F(QuorvaneSendTest, DefaultSandboxFollowsXdgStateHome) {
  const auto state = console.folder() / "state";
  const auto sandbox = state / "quorvane" / "sim";
  std::filesystem::create_directories(sandbox);
  ::chmod(sandbox.c_str(), 0700);
  sender::SenderServer server(sandbox / "console.sock", console.dialog(), console.loop().core());
  ASSERT_EQ(server.Start(), std::nullopt);
  const Finished read = Send({"read", "0"}, {{"XDG_STATE_HOME", state.string()}});
  EXPECT_EQ(read.status, 0);
  EXPECT_EQ(read.out, "QUORVANE");
}

TEST_F(QuorvaneSendTest, RefusedAndMalformedRequestsExitWithOneAndOneLine) {
  const Finished refused = SendToConsole({"--sync", "command", std::to_string(kEdit)});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "quorvane-send: control 103 is not a button\n");

  // No console is needed to tell that these are malformed.
  const std::string nowhere = "--socket=/nonexistent/console.sock";
  const std::vector<std::vector<std::string>> malformed = {
      {nowhere, "command", "70000"},
      {nowhere, "command", "12abc"},
      {nowhere, "message", "12", "0", "0"},
      {nowhere, "select", "1", "0"},
      {nowhere, "select", "1", "0", "2147483648"},
      {nowhere, "text", "1", "\xC3\x28"},
      {nowhere, "read"},
      {nowhere, "press", "1"},
      {nowhere},
      {"--socket", "a", "--sandbox", "b", "read", "1"},
  };
  for (const auto& args : malformed) {
    const Finished finished = Send(args);
    EXPECT_EQ(finished.status, 1) << testing::PrintToString(args);
    EXPECT_TRUE(finished.err.starts_with("quorvane-send: ")) << finished.err;
    EXPECT_EQ(finished.err.find('\n'), finished.err.size() - 1) << finished.err;
  }
  EXPECT_TRUE(console.procedure().Received(WM_COMMAND).empty());
}

TEST_F(QuorvaneSendTest, UnknownCommandIsTakenWithANoteOnStandardError) {
  const Finished unknown = SendToConsole({"command", "4242"});
  EXPECT_EQ(unknown.status, 0);
  EXPECT_EQ(unknown.err,
            "quorvane-send: neither a control nor the command table knows command 4242; the "
            "dialog's default processing takes it\n");
  EXPECT_EQ(SendToConsole({"command", std::to_string(kCommandWithoutControl)}).err, "");
}

TEST_F(QuorvaneSendTest, InputWhileAMessageBoxIsOpenExitsWithOne) {
  auto box_shown = console.BoxOnButton();
  const std::vector<std::string> socket = {QUORVANE_SEND_BINARY, "--socket",
                                           console.socket_path().string()};
  const auto with = [&](std::vector<std::string> args) {
    args.insert(args.begin(), socket.begin(), socket.end());
    return args;
  };
  Finished opening, during;
  console.RunWhile([&] {
    opening = RunProgram(with({"command", std::to_string(kButton)}), outputs.path());
    if (box_shown.wait_for(std::chrono::seconds(20)) != std::future_status::ready) return;
    during = RunProgram(with({"command", std::to_string(kCommandWithoutControl)}), outputs.path());
    box_shown.get()(IDOK);
  });
  EXPECT_EQ(opening.status, 0);
  EXPECT_EQ(during.status, 1);
  EXPECT_EQ(during.err, "quorvane-send: a message box is open\n");
  EXPECT_EQ(console.procedure().Received(WM_COMMAND).size(), 1u);
}

TEST_F(QuorvaneSendTest, NoConsoleListeningExitsWithTwo) {
  console.server().Stop();
  const Finished finished = SendToConsole({"command", "1006"});
  EXPECT_EQ(finished.status, 2);
  EXPECT_EQ(finished.err, "quorvane-send: no console listens on " + console.socket_path().string() +
                              " (No such file or directory)\n");
}

TEST_F(QuorvaneSendTest, GarbageFromSocatGetsAnErrorAndTheConsoleGoesOn) {
  Finished socat;
  console.RunWhile([&] {
    socat = RunProgram({"socat", "-", "UNIX-CONNECT:" + console.socket_path().string()},
                       outputs.path(), "\x01\x02 not a request\n");
  });
  EXPECT_EQ(socat.status, 0) << socat.err;
  EXPECT_EQ(socat.out, "{\"error\":\"the request is not valid JSON (at byte 1)\",\"ok\":false}\n");
  EXPECT_EQ(SendToConsole({"read", "0"}).out, "QUORVANE");
}

}  // namespace
