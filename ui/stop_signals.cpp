#include "ui/stop_signals.h"

#include <pthread.h>
#include <signal.h>

#include "platform/terminal/window.h"

namespace ui {

namespace {

// SIGUSR1 only wakes the watcher so that it can end with the program.
sigset_t WatchedSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGUSR1);
  return signals;
}

}  // namespace

StopOnSignals::StopOnSignals() {
  const sigset_t signals = WatchedSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void StopOnSignals::Watch(HWND window) {
  watcher_ = std::thread([window] {
    const sigset_t signals = WatchedSignals();
    int signal = 0;
    while (sigwait(&signals, &signal) == 0 && signal != SIGUSR1) {
      PostMessageW(window, WM_CLOSE, 0, 0);
    }
  });
}

StopOnSignals::~StopOnSignals() {
  if (!watcher_.joinable()) return;
  pthread_kill(watcher_.native_handle(), SIGUSR1);
  watcher_.join();
}

}  // namespace ui
