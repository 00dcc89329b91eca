#include "tools/unit_run/stop_signals.h"

#include <signal.h>

#include <system_error>

namespace unit_run {

namespace {

plan::StopRequest* g_stop = nullptr;
volatile sig_atomic_t g_last_signal = 0;

void OnStopSignal(int signal_number) {
  g_last_signal = signal_number;
  g_stop->Raise();
}

}  // namespace

std::unique_ptr<plan::StopRequest> StopOnSignals(std::string& error) {
  std::unique_ptr<plan::StopRequest> stop;
  try {
    stop = std::make_unique<plan::StopRequest>();
  } catch (const std::system_error& failed) {
    error = std::string("cannot watch for Ctrl-C: ") + failed.what();
    return nullptr;
  }
  // Set once, before the handlers are installed.
  g_stop = stop.get();
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
  return stop;
}

int StoppedExitStatus() { return 128 + (g_last_signal ? g_last_signal : SIGINT); }

}  // namespace unit_run
