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
  run.marginal = true;
  run.phases = {Phase("port", plan::Outcome::kPass),
                Phase("supply", plan::Outcome::kPass, plan::Verdict::kMarginal)};
  run.phases[1].marginal = true;
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

// A desk that keeps every list of lines it was shown.
class ShownLines : public station::OperatorDesk {
 public:
  std::optional<std::string> Ask(const plan::PromptStep&, const plan::StopRequest&,
                                 std::string&) override {
    return std::nullopt;
  }
  std::string AnsweredBy() const override { return "nobody"; }
  std::optional<std::string> AskOperator(const plan::StopRequest&) override { return std::nullopt; }
  void ShowIdentity(const station::StationIdentity&) override {}
  std::optional<std::string> AskSerial(const std::string&, const station::Tally&,
                                       const plan::StopRequest&) override {
    return std::nullopt;
  }
  void ShowPhases(const std::string&, const std::vector<station::PhaseLine>& lines) override {
    shown.push_back(lines);
  }
  void ShowVerdict(const std::string&, const station::Verdict&, const station::Tally&) override {}

  std::vector<std::vector<station::PhaseLine>> shown;
};

TEST(RunViewTest, LivePhasesShowEachPhaseWaitingThenRunningWithItsAttemptThenEnded) {
  plan::Plan plan;
  plan.phases.resize(2);
  plan.phases[0].name = "port";
  plan.phases[0].attempts = 2;
  plan.phases[1].name = "supply";
  ShownLines desk;
  station::LivePhases live(plan, "T-1", desk);
  live.PhaseBegins(plan.phases[0], 2, 1);
  live.PhaseEnds(Phase("port", plan::Outcome::kFail));
  live.PhaseEnds(Phase("supply", plan::Outcome::kSkipped));
  const auto state = [&](std::size_t shown, std::size_t line) {
    return desk.shown.at(shown).at(line).state;
  };
  ASSERT_EQ(desk.shown.size(), 4u);
  EXPECT_EQ(state(0, 0), PhaseState::kWaiting);
  EXPECT_EQ(state(0, 1), PhaseState::kWaiting);
  EXPECT_EQ(state(1, 0), PhaseState::kRunning);
  EXPECT_EQ(desk.shown[1][0].detail, "attempt 2 of 2");
  EXPECT_EQ(state(2, 0), PhaseState::kFail);
  EXPECT_EQ(state(3, 1), PhaseState::kSkipped);
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
