#include "platform/linux/bounded_command.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "platform/linux/descriptor_wait.h"
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
  if (::posix_spawnp(&pid, argv[0], &setting.actions, &setting.attributes, argv.data(), environ) !=
      0) {
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
  DescriptorWait wait(stop_.fd());
  const std::size_t ended = wait.Watch(process.get(), POLLIN);
  // Whatever ends the wait ends the command: it exited, the object goes, its time is up, or
  // poll failed and cannot wait any longer.
  if (std::chrono::steady_clock::now() < deadline) wait.Until(deadline);
  const bool succeeded = EndAndReap(pid, (wait.Ready(ended) & POLLIN) != 0);
  {
    const std::lock_guard lock(mutex_);
    running_ = false;  // before the telling, so that whoever is told may start the next run
  }
  ended_(succeeded);
}

}  // namespace platform::posix
