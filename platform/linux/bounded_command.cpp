#include "platform/linux/bounded_command.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <system_error>
#include <utility>

#include "platform/linux/spawn_setting.h"

extern char** environ;

namespace platform::posix {

namespace {

// Kills the command's process group unless the command has ended already, then waits for it;
// true when it had exited with status 0 all the same.
bool EndAndReap(pid_t pid, bool ended) {
  if (!ended) ::kill(-pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, INT_MAX));
}

}  // namespace

BoundedCommand::BoundedCommand(std::vector<std::string> command, std::chrono::milliseconds bound,
                               Ended ended)
    : command_(std::move(command)), bound_(bound), ended_(std::move(ended)) {}

BoundedCommand::~BoundedCommand() {
  stop_.Raise();
  if (watcher_.joinable()) watcher_.join();
}

bool BoundedCommand::Start() {
  const std::lock_guard lock(mutex_);
  // Without the wake-up the watcher could not be stopped when this object goes.
  if (running_ || command_.empty() || stop_.error() != 0) return false;
  if (watcher_.joinable()) watcher_.join();  // the last run has ended; it is being told

  std::vector<char*> argv;
  for (const std::string& word : command_) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  SpawnSetting setting;
  // A process group of its own (the default group 0), so that killing it takes what it started.
  if (setting.StartSignalsClean(POSIX_SPAWN_SETPGROUP) != 0 ||
      setting.StartDescriptorsClean() != 0) {
    return false;
  }
  pid_t pid = 0;
  // The system's spawn reports a failed exec as its own error, and has waited for that child.
  if (::posix_spawnp(&pid, argv[0], &setting.actions, &setting.attributes, argv.data(),
                     environ) != 0) {
    return false;
  }
  const CallResult process = ProcessDescriptor(pid);
  if (!process.ok()) {
    EndAndReap(pid, false);
    return false;
  }
  try {
    watcher_ = std::thread([this, pid, fd = UniqueFd(static_cast<int>(process.value))]() mutable {
      Watch(pid, std::move(fd));
    });
  } catch (const std::system_error&) {
    EndAndReap(pid, false);
    return false;
  }
  running_ = true;
  return true;
}

void BoundedCommand::Watch(pid_t pid, UniqueFd process) {
  const auto deadline = std::chrono::steady_clock::now() + bound_;
  pollfd watched[] = {{process.get(), POLLIN, 0}, {stop_.fd(), POLLIN, 0}};
  for (;;) {
    const int left_ms = MillisecondsLeft(deadline);
    if (left_ms == 0) break;
    // A poll that fails cannot wait any longer: the command is ended now.
    if (!Poll(watched, 2, left_ms).ok()) break;
    if (watched[0].revents != 0 || watched[1].revents != 0) break;
  }
  const bool succeeded = EndAndReap(pid, (watched[0].revents & POLLIN) != 0);
  {
    const std::lock_guard lock(mutex_);
    running_ = false;  // before the telling, so that whoever is told may start the next run
  }
  ended_(succeeded);
}

}  // namespace platform::posix
