#include "ui/stop_signals.h"

#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/linux/descriptor_wait.h"
#include "platform/terminal/window.h"

namespace ui {

namespace {

namespace posix = platform::posix;

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGHUP);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

}  // namespace

StopOnSignals::StopOnSignals() {
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  const posix::CallResult descriptor = posix::SignalDescriptor(signals);
  if (!descriptor.ok() || stop_watching_.error() != 0) {
    // Left to their default, the signals still end the console, only without its clean-up.
    pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
    const std::string why =
        descriptor.ok() ? std::strerror(stop_watching_.error()) : descriptor.Describe();
    std::fprintf(stderr, "quorvane: signals end the console without its clean-up (%s)\n",
                 why.c_str());
    return;
  }
  signals_.reset(static_cast<int>(descriptor.value));
  watcher_ = std::thread([this] { WatchSignals(); });
}

StopOnSignals::~StopOnSignals() { EndWatching(); }

void StopOnSignals::EndWatching() {
  if (!watcher_.joinable()) return;
  stop_watching_.Raise();
  watcher_.join();
}

bool StopOnSignals::StopCame() const {
  const std::lock_guard lock(mutex_);
  return stop_came_;
}

void StopOnSignals::Hold() {
  const std::lock_guard lock(mutex_);
  stage_ = Stage::kHold;
}

std::optional<int> StopOnSignals::Held() const {
  const std::lock_guard lock(mutex_);
  return held_;
}

void StopOnSignals::Watch(HWND window) {
  const std::lock_guard lock(mutex_);
  stage_ = Stage::kCloseWindow;
  window_ = window;
  if (held_) PostMessageW(window_, WM_CLOSE, 0, 0);
}

void StopOnSignals::StopWatching() {
  const std::lock_guard lock(mutex_);
  stage_ = Stage::kEnding;
  window_ = nullptr;
}

void StopOnSignals::WatchSignals() {
  posix::DescriptorWait wait(stop_watching_.fd());
  wait.Watch(signals_.get(), POLLIN);
  while (wait.Until(std::nullopt) == posix::DescriptorWait::Outcome::kReady) {
    signalfd_siginfo received{};
    const posix::CallResult read = posix::Read(signals_.get(), &received, sizeof received);
    if (read.ok() && read.value == sizeof received) OnSignal(static_cast<int>(received.ssi_signo));
  }
}

void StopOnSignals::OnSignal(int signal) {
  const std::lock_guard lock(mutex_);  // held through the exit, so that Hold waits for it
  switch (stage_) {
    case Stage::kEndAtOnce:
      std::_Exit(StartUpEndedBy(signal));
    case Stage::kHold:
      if (!held_) held_ = signal;
      break;
    case Stage::kCloseWindow:
      stop_came_ = true;
      PostMessageW(window_, WM_CLOSE, 0, 0);
      break;
    case Stage::kEnding:
      stop_came_ = true;
      break;
  }
}

std::optional<int> PendingStopSignal() {
  sigset_t pending;
  sigemptyset(&pending);
  sigpending(&pending);
  const sigset_t stop_signals = StopSignals();
  for (int signal = 1; signal < NSIG; ++signal) {
    if (sigismember(&stop_signals, signal) == 1 && sigismember(&pending, signal) == 1) {
      return signal;
    }
  }
  return std::nullopt;
}

int StartUpEndedBy(int signal) {
  const char* name = sigabbrev_np(signal);
  std::fprintf(stderr, "quorvane: start-up ended by SIG%s\n", name != nullptr ? name : "?");
  return 128 + signal;
}

}  // namespace ui
