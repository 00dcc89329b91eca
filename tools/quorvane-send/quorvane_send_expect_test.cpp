// quorvane-send's expect, the real binary against a console running in this test process: what
// reaches its log pane once the expect is taken, what the pane held, its message boxes.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <csignal>

#include "platform/ports/session_events.h"
#include "testing/child_process.h"
#include "testing/temp_dir.h"
#include "testing/test_console.h"

namespace {

using namespace sender_testing;
using namespace std::chrono_literals;

struct SendOutcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Once the console has taken an expect, on its user-interface thread, `then` runs there next.
class WhenExpectTaken final : public platform::SessionEvents {
 public:
  WhenExpectTaken(TestConsole& console, std::function<void()> then)
      : console_(console), then_(std::move(then)) {
    EXPECT_TRUE(platform::AddSessionEvents(this));
  }
  ~WhenExpectTaken() override { platform::RemoveSessionEvents(this); }

  void OutsideRequest(std::string_view verb,
                      std::span<const platform::RequestArgument> arguments) override {
    const bool refused = !arguments.empty() && arguments.back().name == "refused";
    if (verb == "expect" && !refused) console_.loop().core()->Post(then_);
  }
  void SerialBlock(std::string_view, platform::SerialDirection,
                   std::span<const std::byte>) override {}
  void DriverRequest(const platform::DriverRequestEvent&) override {}
  void PaneText(int, platform::PaneChange, std::u16string_view) override {}
  void MessageBox(std::wstring_view, std::wstring_view, int) override {}

 private:
  TestConsole& console_;
  const std::function<void()> then_;
};

class QuorvaneSendExpectTest : public ::testing::Test {
 protected:
  explicit QuorvaneSendExpectTest(sender::ServerLimits limits = {}) : console(limits) {}

  std::vector<std::string> Args(std::vector<std::string> words) const {
    words.insert(words.begin(), {QUORVANE_SEND_BINARY, "--socket", console.socket_path().string()});
    return words;
  }
  static SendOutcome Finish(testing_support::ChildProcess& program) {
    return {program.Wait(30s).value_or(-1), program.Output(), program.Errors()};
  }
  // quorvane-send with `words`, while the console's loop runs.
  SendOutcome Send(std::vector<std::string> words) {
    SendOutcome finished;
    console.RunWhile([&] {
      testing_support::ChildProcess program(Args(std::move(words)), outputs.path());
      finished = Finish(program);
    });
    return finished;
  }
  void Append(const wchar_t* text) {
    SendMessageW(console.control(kLog), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text));
  }

  TestConsole console;
  testing_support::TempDir outputs;
};

TEST_F(QuorvaneSendExpectTest, NewTextIsMatchedEvenAcrossTwoAppendsButEarlierTextIsNot) {
  Append(L"TOKEN from before\r\n");
  WhenExpectTaken appends(console, [this] {
    Append(L"\r\ncom[1] recvdata");
    Append(L"size:42\r\nTOKEN");
  });
  const SendOutcome expect = Send({"expect", R"(recvdatasize:\d+\r\nTOKEN)"});
  EXPECT_EQ(expect.status, 0) << expect.err;
  EXPECT_EQ(expect.out, "recvdatasize:42\r\nTOKEN");
  EXPECT_EQ(expect.err, "");
}

TEST_F(QuorvaneSendExpectTest, WholeMatchesWhatThePaneHeldAlready) {
  Append(L"COM2 OPEN!! \r\n수신 데이터\r\n");
  const SendOutcome expect = Send({"expect", "--whole", "수신 \\S+"});
  EXPECT_EQ(expect.status, 0) << expect.err;
  EXPECT_EQ(expect.out, "수신 데이터");
}

TEST_F(QuorvaneSendExpectTest, BoxMatchesTheTextOfAMessageBoxShownAfterwards) {
  WhenExpectTaken boxes(console, [this] {
    MessageBoxW(console.dialog(), L"COM1 OPEN FAIL", L"quorvane", MB_OK);
    MessageBoxW(console.dialog(), L"EAS IO Send CreateFile Error", L"quorvane", MB_OK);
  });
  const SendOutcome expect = Send({"expect", "--box", "CreateFile \\w+"});
  EXPECT_EQ(expect.status, 0) << expect.err;
  EXPECT_EQ(expect.out, "CreateFile Error");
}

TEST_F(QuorvaneSendExpectTest, TimeoutExitsWithOneAndThePanesLastLines) {
  for (int line = 1; line <= 12; ++line) {
    Append((L"line " + std::to_wstring(line) + L"\r\n").c_str());
  }
  const SendOutcome expect = Send({"expect", "--timeout", "0.2", "never"});
  EXPECT_EQ(expect.status, 1);
  std::string last_lines;
  for (int line = 3; line <= 12; ++line) last_lines += "line " + std::to_string(line) + "\r\n";
  EXPECT_EQ(expect.out, last_lines);
  EXPECT_EQ(expect.err, "quorvane-send: nothing matched within 200 ms\n");
}

// Refused by the client before it connects, or by the console for a raw sender, or failing once
// matching meets the limits: an error, and the console answers as before.
TEST_F(QuorvaneSendExpectTest, BadOrHostilePatternsGetAnErrorAndTheConsoleGoesOn) {
  Append(L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa!\r\n");
  const SendOutcome bad = Send({"expect", "(a"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err, "quorvane-send: PATTERN is not a regular expression: missing closing "
                     "parenthesis (at offset 2)\n");
  EXPECT_EQ(console.ExchangeRaw("{\"verb\":\"expect\",\"pattern\":\"[z\"}\n"),
            "{\"error\":\"PATTERN is not a regular expression: missing terminating ] for "
            "character class (at offset 2)\",\"ok\":false}\n");
  const SendOutcome hostile = Send({"expect", "--whole", "(a+)+$"});
  EXPECT_EQ(hostile.status, 1);
  EXPECT_EQ(hostile.err, "quorvane-send: the pattern cannot be matched: match limit exceeded\n");
  EXPECT_EQ(Send({"read", "0"}).out, "QUORVANE");
}

class QuorvaneSendOneExpectTest : public QuorvaneSendExpectTest {
 protected:
  static sender::ServerLimits OneExpect() {
    sender::ServerLimits limits;
    limits.max_expecting = 1;
    return limits;
  }
  QuorvaneSendOneExpectTest() : QuorvaneSendExpectTest(OneExpect()) {}
};

// The expect of a sender that hung up no longer takes one of the places: the next one waits.
TEST_F(QuorvaneSendOneExpectTest, SenderThatHangsUpWhileWaitingLeavesNothingBehind) {
  std::promise<void> taken;
  bool told = false;  // the user-interface thread's
  WhenExpectTaken when_taken(console, [&] {
    if (!std::exchange(told, true)) taken.set_value();
  });
  Append(L"ready\r\n");
  SendOutcome busy, after;
  console.RunWhile([&] {
    testing_support::ChildProcess waiting(Args({"expect", "never"}), outputs.path());
    if (taken.get_future().wait_for(20s) != std::future_status::ready) return;
    testing_support::ChildProcess second(Args({"expect", "--whole", "ready"}), outputs.path());
    busy = Finish(second);
    ::kill(waiting.pid(), SIGKILL);
    waiting.Wait(20s);
    testing_support::ChildProcess third(Args({"expect", "--whole", "ready"}), outputs.path());
    after = Finish(third);
  });
  EXPECT_EQ(busy.status, 1);
  EXPECT_EQ(busy.err, "quorvane-send: the console is busy with other senders; try again\n");
  EXPECT_EQ(after.status, 0) << after.err;
  EXPECT_EQ(after.out, "ready");
}

}  // namespace
