// Commands run in the background with a bound, as real processes.
#include "platform/linux/bounded_command.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <condition_variable>
#include <csignal>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "testing/program_probe.h"
#include "testing/temp_dir.h"

namespace platform::posix {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto kLongEnough = 20s;  // for a run that must end by itself, on a loaded machine

// What the command's runs were told, in order, for the test to wait on.
class Outcomes {
 public:
  BoundedCommand::Ended Teller() {
    return [this](bool succeeded) {
      const std::lock_guard lock(mutex_);
      told_.push_back(succeeded);
      changed_.notify_all();
    };
  }
  std::optional<bool> Next(std::chrono::milliseconds patience = kLongEnough) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, patience, [this] { return !told_.empty(); })) return std::nullopt;
    const bool succeeded = told_.front();
    told_.pop_front();
    return succeeded;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<bool> told_;
};

TEST(BoundedCommandTest, TellsHowEachRunEnded) {
  const struct {
    std::vector<std::string> command;
    bool succeeded;
  } cases[] = {
      {{"true"}, true},
      {{"sh", "-c", "exit 3"}, false},
      {{"sh", "-c", "kill -9 $$"}, false},
      // This process blocks and ignores signals; the command starts with every signal unblocked
      // and at its default, the C library's own included, and with nothing to read.
      {{"sh", "-c",
        "test \"$(grep -Ec '^Sig(Blk|Ign):[[:space:]]+0+$' /proc/self/status)\" = 2 && "
        "test \"$(readlink /proc/$$/fd/0)\" = /dev/null"},
       true},
  };
  sigset_t blocked;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGTERM);
  sigset_t old_mask;
  pthread_sigmask(SIG_BLOCK, &blocked, &old_mask);
  const auto old_usr1 = std::signal(SIGUSR1, SIG_IGN);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command.back());
    Outcomes outcomes;
    BoundedCommand command(c.command, kLongEnough, outcomes.Teller());
    ASSERT_TRUE(command.Start());
    EXPECT_EQ(outcomes.Next(), c.succeeded);
  }
  std::signal(SIGUSR1, old_usr1);
  pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);

  Outcomes outcomes;
  EXPECT_FALSE(BoundedCommand({"/nonexistent/reboot"}, kLongEnough, outcomes.Teller()).Start());
  EXPECT_EQ(outcomes.Next(0ms), std::nullopt);
}

TEST(BoundedCommandTest, ARunPastItsBoundIsKilledAndOnlyThenMayAnotherStart) {
  Outcomes outcomes;
  BoundedCommand command({"sleep", "20"}, 200ms, outcomes.Teller());
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(command.Start());
  EXPECT_FALSE(command.Start());
  EXPECT_EQ(outcomes.Next(), false);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
  EXPECT_TRUE(command.Start());
}

TEST(BoundedCommandTest, ACommandRunningWhenItsObjectGoesIsKilledWithWhatItStarted) {
  testing_support::TempDir temp;
  const fs::path pid_file = temp.path() / "pid";
  Outcomes outcomes;
  auto command = std::make_unique<BoundedCommand>(
      std::vector<std::string>{"sh", "-c", "sleep 60 & echo $! > " + pid_file.string() + "; wait"},
      1h, outcomes.Teller());
  ASSERT_TRUE(command->Start());
  const auto give_up = std::chrono::steady_clock::now() + kLongEnough;
  std::string pid;
  while (pid.empty() && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(5ms);
    std::ifstream(pid_file) >> pid;
  }
  ASSERT_FALSE(pid.empty());

  command.reset();
  EXPECT_EQ(outcomes.Next(0ms), false);
  EXPECT_TRUE(testing_support::WaitUntilEnded(std::stoi(pid), kLongEnough));
}

}  // namespace
}  // namespace platform::posix
