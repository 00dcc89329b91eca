// The real quorvane-send binary against a console running in this test process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/ports/window_model.h"
#include "testing/test_console.h"

extern char** environ;

namespace {

using namespace sender_testing;

struct Finished {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs a program with `input` on its standard input and collects both of its outputs.
Finished RunProgram(std::vector<std::string> args, const std::string& input = "",
                    const std::map<std::string, std::string>& environment = {}) {
  int in[2], out[2], err[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe2 failed";
    return {};
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);

  std::vector<std::string> env_strings;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string variable = *entry;
    if (!environment.contains(variable.substr(0, variable.find('=')))) {
      env_strings.push_back(variable);
    }
  }
  for (const auto& [name, value] : environment) env_strings.push_back(name + "=" + value);
  std::vector<char*> argv, envp;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  for (auto& variable : env_strings) envp.push_back(variable.data());
  envp.push_back(nullptr);

  pid_t pid = -1;
  const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  if (spawned == 0) {
    ssize_t written = 0;
    for (std::size_t at = 0; at < input.size() && written >= 0;
         at += static_cast<std::size_t>(written)) {
      written = ::write(in[1], input.data() + at, input.size() - at);
    }
  }
  ::close(in[1]);

  Finished finished;
  pollfd outputs[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* collected[2] = {&finished.out, &finished.err};
  int open_outputs = 2;
  while (open_outputs > 0 && ::poll(outputs, 2, 30000) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (outputs[i].revents == 0) continue;
      char chunk[4096];
      const ssize_t got = ::read(outputs[i].fd, chunk, sizeof chunk);
      if (got > 0) {
        collected[i]->append(chunk, static_cast<std::size_t>(got));
      } else {
        outputs[i].fd = -1;
        --open_outputs;
      }
    }
  }
  ::close(out[0]);
  ::close(err[0]);
  int wait_status = 0;
  if (spawned == 0 && ::waitpid(pid, &wait_status, 0) == pid && WIFEXITED(wait_status)) {
    finished.status = WEXITSTATUS(wait_status);
  }
  return finished;
}

class QuorvaneSendTest : public ::testing::Test {
 protected:
  // quorvane-send with `args`, while the console's loop runs.
  Finished Send(std::vector<std::string> args,
                const std::map<std::string, std::string>& environment = {}) {
    args.insert(args.begin(), QUORVANE_SEND_BINARY);
    Finished finished;
    console.RunWhile([&] { finished = RunProgram(args, "", environment); });
    return finished;
  }
  Finished SendToConsole(std::vector<std::string> args) {
    args.insert(args.begin(), {"--socket", console.socket_path().string()});
    return Send(std::move(args));
  }

  TestConsole console;
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
                       "\x01\x02 not a request\n");
  });
  EXPECT_EQ(socat.status, 0) << socat.err;
  EXPECT_EQ(socat.out, "{\"error\":\"the request is not valid JSON (at byte 1)\",\"ok\":false}\n");
  EXPECT_EQ(SendToConsole({"read", "0"}).out, "QUORVANE");
}

}  // namespace
