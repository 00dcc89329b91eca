// Carries a plan out over a console link: phase after phase, each attempt running its setup
// steps, then its steps, then its teardown whatever happened before, and again while attempts
// are left and it did not pass. The first phase that does not pass ends the run; the phases after
// it are reported as skipped. A stop (Ctrl-C, SIGTERM) ends the current step, skips to the
// teardown and marks the phase and the run aborted; a second one skips what is left of teardown.
#pragma once

#include "plan/console_link.h"
#include "plan/plan.h"
#include "plan/prompter.h"
#include "plan/run_result.h"
#include "plan/stop_request.h"
#include "plan/terminal_files.h"

namespace plan {

// Fills `result`'s phases, outcome, message and times.
void RunPlan(const Plan& plan, ConsoleLink& link, const TerminalFiles& files, Prompter& prompter,
             const StopRequest& stop, RunResult& result);

}  // namespace plan
