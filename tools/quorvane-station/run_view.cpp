#include "tools/quorvane-station/run_view.h"

#include <algorithm>

namespace station {

namespace {

PhaseState StateOf(plan::Outcome outcome) {
  switch (outcome) {
    case plan::Outcome::kPass:
      return PhaseState::kPass;
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

const plan::MeasurementResult* FirstMarginal(const plan::PhaseResult& phase) {
  const auto marginal = std::find_if(
      phase.measurements.begin(), phase.measurements.end(),
      [](const auto& measured) { return measured.verdict == plan::Verdict::kMarginal; });
  return marginal == phase.measurements.end() ? nullptr : &*marginal;
}

std::string MarginalText(const plan::MeasurementResult& measured) {
  std::string text = measured.name + " = " + (measured.value ? measured.value->text : "");
  if (!measured.limit.units.empty()) text += " " + measured.limit.units;
  return text + " (marginal)";
}

}  // namespace

std::vector<PhaseLine> WaitingLines(const plan::Plan& plan) {
  std::vector<PhaseLine> lines;
  for (const auto& phase : plan.phases) lines.push_back({phase.name, PhaseState::kWaiting, ""});
  return lines;
}

PhaseLine EndedLine(const plan::PhaseResult& phase) {
  PhaseLine line{phase.name, StateOf(phase.outcome), phase.message};
  if (line.state == PhaseState::kPass) {
    if (const auto* marginal = FirstMarginal(phase)) {
      line.state = PhaseState::kMarginal;
      line.detail = MarginalText(*marginal);
    }
  }
  return line;
}

Verdict VerdictOf(const plan::RunResult& run) {
  Verdict verdict{VerdictColour::kFail, std::string(plan::OutcomeName(run.outcome)), run.message};
  if (run.outcome != plan::Outcome::kPass) return verdict;
  verdict.colour = VerdictColour::kPass;
  for (const auto& phase : run.phases) {
    if (const auto* marginal = FirstMarginal(phase)) {
      verdict.colour = VerdictColour::kMarginal;
      verdict.detail = phase.name + ": " + MarginalText(*marginal);
      break;
    }
  }
  return verdict;
}

}  // namespace station
