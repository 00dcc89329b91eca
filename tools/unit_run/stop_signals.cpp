#include "tools/unit_run/stop_signals.h"

#include <signal.h>

namespace unit_run {

namespace {

// Set once, before the handlers are installed.
plan::StopRequest* g_stop = nullptr;
volatile sig_atomic_t g_last_signal = 0;

void OnStopSignal(int signal_number) {
  g_last_signal = signal_number;
  g_stop->Raise();
}

}  // namespace

void CatchStopSignals(plan::StopRequest& stop) {
  g_stop = &stop;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

int StoppedExitStatus() { return 128 + (g_last_signal ? g_last_signal : SIGINT); }

}  // namespace unit_run
