// What the operator sees of a run and of the session: a marginal pass named as such, a failure
// with what went wrong first, and a retest that never lifts the first-pass yield.
#include "tools/quorvane-station/run_view.h"

#include <gtest/gtest.h>

#include "tools/quorvane-station/session_tally.h"

namespace {

using station::PhaseState;
using station::VerdictColour;

plan::PhaseResult Phase(const std::string& name, plan::Outcome outcome,
                        plan::Verdict measured = plan::Verdict::kPass) {
  plan::PhaseResult phase;
  phase.name = name;
  phase.outcome = outcome;
  plan::MeasurementResult current;
  current.name = "current";
  current.value = plan::MeasuredValue{"110", 110};
  current.limit = {plan::RangeLimit{100, 500, 20}, "mA"};
  current.verdict = measured;
  phase.measurements.push_back(current);
  return phase;
}

TEST(RunViewTest, AMarginalMeasurementMarksItsPhaseAndTheVerdict) {
  plan::RunResult run;
  run.outcome = plan::Outcome::kPass;
  run.phases = {Phase("port", plan::Outcome::kPass),
                Phase("supply", plan::Outcome::kPass, plan::Verdict::kMarginal)};
  EXPECT_EQ(station::EndedLine(run.phases[0]).state, PhaseState::kPass);
  const auto supply = station::EndedLine(run.phases[1]);
  EXPECT_EQ(supply.state, PhaseState::kMarginal);
  EXPECT_EQ(supply.detail, "current = 110 mA (marginal)");
  const auto verdict = station::VerdictOf(run);
  EXPECT_EQ(verdict.colour, VerdictColour::kMarginal);
  EXPECT_EQ(verdict.detail, "supply: current = 110 mA (marginal)");
}

TEST(RunViewTest, AFailureShowsWhatWentWrongFirst) {
  plan::RunResult run;
  run.outcome = plan::Outcome::kFail;
  run.message = "supply: line 9: current: 700 is outside [100, 500]";
  auto failed = Phase("supply", plan::Outcome::kFail, plan::Verdict::kFail);
  failed.message = "line 9: current: 700 is outside [100, 500]";
  EXPECT_EQ(station::EndedLine(failed).state, PhaseState::kFail);
  EXPECT_EQ(station::EndedLine(failed).detail, failed.message);
  const auto verdict = station::VerdictOf(run);
  EXPECT_EQ(verdict.colour, VerdictColour::kFail);
  EXPECT_EQ(verdict.word, "FAIL");
  EXPECT_EQ(verdict.detail, run.message);
}

TEST(SessionTallyTest, OnlyAUnitsFirstRunCountsForTheFirstPassYield) {
  station::SessionTally tally;
  tally.Count("T-1", true);
  tally.Count("T-2", false);
  tally.Count("T-2", true);  // the retest passes, the unit still failed at its first run
  tally.Count("T-3", true);
  EXPECT_EQ(tally.tally().units, 3);
  EXPECT_EQ(tally.tally().runs, 4);
  EXPECT_EQ(tally.tally().passed, 3);
  EXPECT_EQ(tally.tally().first_pass, 2);
  EXPECT_EQ(station::FirstPassYieldPercent(tally.tally()), 67);
  EXPECT_EQ(station::FirstPassYieldPercent({}), 0);
}

}  // namespace
