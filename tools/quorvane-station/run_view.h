// What the operator's screen shows of a run: each phase's line as the runner reports it (waiting,
// running with its attempt or run, then its outcome), and the verdict's banner at the end.
#pragma once

#include <string>
#include <vector>

#include "plan/plan.h"
#include "plan/run_observer.h"
#include "plan/run_result.h"
#include "tools/quorvane-station/operator_desk.h"

namespace station {

// A phase's line once it has ended: its outcome (a marginal pass as marginal) with what went
// wrong first, the marginal measurement, or why it was skipped.
PhaseLine EndedLine(const plan::PhaseResult& phase);

// The banner for a finished run: a marginal pass shows which measurement; anything else than a
// pass shows what went wrong first.
Verdict VerdictOf(const plan::RunResult& run);

// The phases' lines of one unit's run, shown on the desk at every change: every phase waiting
// first, then each as the runner begins and ends it.
class LivePhases : public plan::RunObserver {
 public:
  LivePhases(const plan::Plan& plan, std::string unit, OperatorDesk& desk);

  void PhaseBegins(const plan::Phase& phase, int attempt, int repeat) override;
  void PhaseEnds(const plan::PhaseResult& result) override;

 private:
  const plan::Plan& plan_;
  std::string unit_;
  OperatorDesk& desk_;
  std::vector<PhaseLine> lines_;
  std::size_t ended_ = 0;  // phases end in the plan's order, skipped ones included
};

}  // namespace station
