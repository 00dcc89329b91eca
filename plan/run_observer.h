// What a run reports while it goes on, for a screen that shows it live: a phase's attempt (or
// run of a repeated phase) begins, a measurement is judged, a phase ends (skipped ones too), the
// run ends. Every call comes on the thread that runs the plan, between its steps: an observer
// that draws elsewhere hands each report over to its own thread and returns at once, since the
// run waits for it. The default observer does nothing.
#pragma once

#include "plan/plan.h"
#include "plan/run_result.h"

namespace plan {

class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // `attempt` and `repeat` count from 1.
  virtual void PhaseBegins(const Phase& /*phase*/, int /*attempt*/, int /*repeat*/) {}
  virtual void MeasurementJudged(const Phase& /*phase*/, const MeasurementResult& /*result*/) {}
  virtual void PhaseEnds(const PhaseResult& /*result*/) {}
  virtual void RunEnds(const RunResult& /*result*/) {}
};

// An observer that ignores everything, for runs nobody watches.
RunObserver& NoRunObserver();

}  // namespace plan
