// Carries a plan out over a console link: phase after phase, each attempt running its setup
// steps, then its steps, then its teardown whatever happened before, and again while attempts
// are left and it did not pass; a repeated phase makes that many runs whatever each ends in.
// The first phase that does not pass ends the run, unless it goes on after a failure or a
// timeout to collect every defect; the phases after the one that ended it are reported as
// skipped with why. The run's outcome is the worst of its phases'. A stop (Ctrl-C, SIGTERM) ends
// the current step, skips to the teardown and marks the phase and the run aborted; a second one
// skips what is left of teardown. A plan's instruments are opened and identified before the
// first phase (one that cannot be, ends the run in error with every phase skipped) and closed,
// safe, after the last, whatever happened.
#pragma once

#include "plan/console_link.h"
#include "plan/instrument_bench.h"
#include "plan/plan.h"
#include "plan/prompter.h"
#include "plan/run_observer.h"
#include "plan/run_result.h"
#include "plan/stop_request.h"
#include "plan/terminal_files.h"

namespace plan {

// Fills `result`'s phases, outcome, marginal flag, message and times, telling `observer` as it
// goes, on this thread.
void RunPlan(const Plan& plan, ConsoleLink& link, const TerminalFiles& files,
             InstrumentBench& instruments, Prompter& prompter, const StopRequest& stop,
             RunResult& result, RunObserver& observer = NoRunObserver());

}  // namespace plan
