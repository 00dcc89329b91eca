// Ctrl-C and SIGTERM for the tools that run plans: each raises the run's stop request (the first
// ends the current step and goes to teardown, the second skips what is left of it), and the last
// one is remembered for the exit status a stopped run ends with. A closed pipe is no reason to
// die: the write fails and says so.
#pragma once

#include <memory>
#include <string>

#include "plan/stop_request.h"

namespace unit_run {

// The program's stop request, raised by the handlers this installs; nothing, with `error` saying
// why, when it cannot be made. Called once, before any other thread starts.
std::unique_ptr<plan::StopRequest> StopOnSignals(std::string& error);

// 128 and the last stop signal's number (SIGINT when none came), as a shell reports a program
// ended by it.
int StoppedExitStatus();

}  // namespace unit_run
