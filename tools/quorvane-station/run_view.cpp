#include "tools/quorvane-station/run_view.h"

#include <algorithm>

namespace station {

namespace {

PhaseState StateOf(const plan::PhaseResult& phase) {
  switch (phase.outcome) {
    case plan::Outcome::kPass:
      return phase.marginal ? PhaseState::kMarginal : PhaseState::kPass;
    case plan::Outcome::kFail:
      return PhaseState::kFail;
    case plan::Outcome::kError:
      return PhaseState::kError;
    case plan::Outcome::kTimeout:
      return PhaseState::kTimeout;
    case plan::Outcome::kAborted:
      return PhaseState::kAborted;
    case plan::Outcome::kSkipped:
      return PhaseState::kSkipped;
  }
  return PhaseState::kError;
}

// The phase's last marginal measurement, as "NAME = VALUE UNITS (marginal)".
std::string MarginalText(const plan::PhaseResult& phase) {
  const auto marginal =
      std::find_if(phase.measurements.rbegin(), phase.measurements.rend(),
                   [](const auto& taken) { return taken.verdict == plan::Verdict::kMarginal; });
  if (marginal == phase.measurements.rend()) return "marginal";
  std::string text = marginal->name + " = " + (marginal->value ? marginal->value->text : "");
  if (!marginal->limit.units.empty()) text += " " + marginal->limit.units;
  return text + " (marginal)";
}

}  // namespace

PhaseLine EndedLine(const plan::PhaseResult& phase) {
  const PhaseState state = StateOf(phase);
  return {phase.name, state, state == PhaseState::kMarginal ? MarginalText(phase) : phase.message};
}

Verdict VerdictOf(const plan::RunResult& run) {
  Verdict verdict{VerdictColour::kFail, std::string(plan::OutcomeName(run.outcome)), run.message};
  if (run.outcome != plan::Outcome::kPass) return verdict;
  verdict.colour = run.marginal ? VerdictColour::kMarginal : VerdictColour::kPass;
  for (const auto& phase : run.phases) {
    if (phase.marginal) {
      verdict.detail = phase.name + ": " + MarginalText(phase);
      break;
    }
  }
  return verdict;
}

LivePhases::LivePhases(const plan::Plan& plan, std::string unit, OperatorDesk& desk)
    : plan_(plan), unit_(std::move(unit)), desk_(desk) {
  for (const auto& phase : plan.phases) lines_.push_back({phase.name, PhaseState::kWaiting, ""});
  desk_.ShowPhases(unit_, lines_);
}

void LivePhases::PhaseBegins(const plan::Phase& phase, int attempt, int repeat) {
  const auto begun = std::find_if(plan_.phases.begin(), plan_.phases.end(),
                                  [&](const plan::Phase& each) { return &each == &phase; });
  if (begun == plan_.phases.end()) return;
  const auto at = static_cast<std::size_t>(begun - plan_.phases.begin());
  std::string detail;
  if (phase.repeat > 1) {
    detail = "run " + std::to_string(repeat) + " of " + std::to_string(phase.repeat);
  } else if (attempt > 1) {
    detail = "attempt " + std::to_string(attempt) + " of " + std::to_string(phase.attempts);
  }
  lines_[at] = {phase.name, PhaseState::kRunning, detail};
  desk_.ShowPhases(unit_, lines_);
}

void LivePhases::PhaseEnds(const plan::PhaseResult& result) {
  if (ended_ >= lines_.size()) return;
  lines_[ended_++] = EndedLine(result);
  desk_.ShowPhases(unit_, lines_);
}

}  // namespace station
