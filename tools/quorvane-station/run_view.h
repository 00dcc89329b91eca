// What the operator's screen shows of a run, taken from the plan and the runner's results: each
// phase's line and the verdict's banner.
#pragma once

#include <vector>

#include "plan/plan.h"
#include "plan/run_result.h"
#include "tools/quorvane-station/operator_desk.h"

namespace station {

// Every phase of `plan`, waiting.
std::vector<PhaseLine> WaitingLines(const plan::Plan& plan);

// A phase's line once it has ended: its outcome (a pass with a marginal measurement as marginal)
// and what went wrong first, or why it was skipped.
PhaseLine EndedLine(const plan::PhaseResult& phase);

// The banner for a finished run: a pass with a marginal measurement shows which one; anything
// else than a pass shows what went wrong first.
Verdict VerdictOf(const plan::RunResult& run);

}  // namespace station
