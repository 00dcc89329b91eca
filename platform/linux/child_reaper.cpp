#include "platform/linux/child_reaper.h"

#include <sys/epoll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace platform::posix {

namespace {

constexpr int kUnwatchedCheckMs = 1000;

bool Watch(int epoll, int fd) {
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.fd = fd;
  return ::epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event) == 0;
}

}  // namespace

ChildReaper& ChildReaper::Instance() {
  static ChildReaper reaper;
  return reaper;
}

ChildReaper::ChildReaper() : watch_(::epoll_create1(EPOLL_CLOEXEC)) {
  if (!watch_) throw std::system_error(errno, std::generic_category(), "epoll_create1");
  if (wake_.error() != 0) {
    throw std::system_error(wake_.error(), std::generic_category(), "eventfd");
  }
  if (!Watch(watch_.get(), wake_.fd())) {
    throw std::system_error(errno, std::generic_category(), "epoll_ctl");
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
  if (pidfd && !Watch(watch_.get(), pidfd.get())) pidfd.reset();
  const bool unwatched = !pidfd;
  {
    const std::lock_guard lock(mutex_);
    children_.emplace(pid, std::move(pidfd));
  }
  // Wakes the reaper, which then looks at the unwatched child every second.
  if (unwatched) wake_.Raise();
}

void ChildReaper::Reap() {
  bool unwatched = false;
  for (;;) {
    epoll_event event{};  // which one does not matter: every child is looked at
    const int ready = ::epoll_wait(watch_.get(), &event, 1, unwatched ? kUnwatchedCheckMs : -1);
    if (ready < 0 && errno != EINTR) return;
    {
      const std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
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
    child = children_.erase(child);  // closing its pidfd takes it out of the epoll set
  }
  return unwatched;
}

}  // namespace platform::posix
