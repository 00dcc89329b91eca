// Carries a plan out over a console link: phase after phase, each attempt running its setup
// steps, then its steps, then its teardown whatever happened before, and again while attempts
// are left and it did not pass. The first phase that does not pass ends the run; the phases after
// it are recorded as skipped. A stop (Ctrl-C, SIGTERM) ends the current step, skips to the
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

// The pane's text added after `baseline`: what follows it when the pane still begins with it,
// else what follows the last place its ending shows (the pane dropped its oldest lines), else the
// whole pane (it was replaced).
std::string TextAfter(const std::string& baseline, const std::string& pane);

// Reads a captured text as a number the way `base` says; nothing when it is not one.
std::optional<double> ReadNumber(const std::string& text, NumberBase base);

}  // namespace plan
