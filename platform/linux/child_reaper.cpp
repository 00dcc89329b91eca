#include "platform/linux/child_reaper.h"

#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <system_error>

#include "platform/linux/descriptor_wait.h"

namespace platform::posix {

namespace {

constexpr std::chrono::milliseconds kUnwatchedCheck{1000};

}  // namespace

ChildReaper& ChildReaper::Instance() {
  static ChildReaper reaper;
  return reaper;
}

ChildReaper::ChildReaper() {
  if (wake_.error() != 0) {
    throw std::system_error(wake_.error(), std::generic_category(), "eventfd");
  }
  thread_ = std::thread([this] { Reap(); });
}

ChildReaper::~ChildReaper() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.Raise();
  thread_.join();
}

void ChildReaper::Adopt(pid_t pid) {
  const CallResult opened = ProcessDescriptor(pid);
  UniqueFd pidfd(opened.ok() ? static_cast<int>(opened.value) : -1);
  {
    const std::lock_guard lock(mutex_);
    children_.emplace(pid, std::move(pidfd));
  }
  // The reaper watches the new child from its next wait on, or looks at it every second.
  wake_.Raise();
}

void ChildReaper::Reap() {
  DescriptorWait wait(wake_.fd());
  bool unwatched = false;
  for (;;) {
    {
      // Only this thread takes children out, so their pidfds stay open while it waits.
      const std::lock_guard lock(mutex_);
      if (stopping_) return;
      wait.Clear();
      for (const auto& [pid, pidfd] : children_) wait.Watch(pidfd.get(), POLLIN);
    }
    const auto checked = unwatched
                             ? std::optional(std::chrono::steady_clock::now() + kUnwatchedCheck)
                             : std::nullopt;
    if (wait.Until(checked) == DescriptorWait::Outcome::kFailed) return;
    wake_.Drain();
    unwatched = ReapEnded();
  }
}

bool ChildReaper::ReapEnded() {
  const std::lock_guard lock(mutex_);
  bool unwatched = false;
  for (auto child = children_.begin(); child != children_.end();) {
    int status = 0;
    const pid_t result = ::waitpid(child->first, &status, WNOHANG);
    if (result == 0 || (result < 0 && errno == EINTR)) {
      unwatched = unwatched || !child->second;
      ++child;
      continue;
    }
    // Waited for now; or, ECHILD, waited for by someone else: nothing is left to reap.
    child = children_.erase(child);
  }
  return unwatched;
}

}  // namespace platform::posix
