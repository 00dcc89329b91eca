#include "tools/quorvane-station/terminal_desk.h"

#include <algorithm>
#include <iostream>

#include "tools/quorvane-station/session_tally.h"

namespace station {

std::string_view StateName(PhaseState state) {
  switch (state) {
    case PhaseState::kWaiting:
      return "WAITING";
    case PhaseState::kRunning:
      return "RUNNING";
    case PhaseState::kPass:
      return "PASS";
    case PhaseState::kMarginal:
      return "PASS (marginal)";
    case PhaseState::kFail:
      return "FAIL";
    case PhaseState::kError:
      return "ERROR";
    case PhaseState::kTimeout:
      return "TIMEOUT";
    case PhaseState::kAborted:
      return "ABORTED";
    case PhaseState::kSkipped:
      return "SKIPPED";
  }
  return "?";
}

std::optional<std::string> TerminalDesk::Ask(const plan::PromptStep& prompt,
                                             const plan::StopRequest& stop, std::string& why) {
  return prompter_.Ask(prompt, stop, why);
}

std::optional<std::string> TerminalDesk::AskOperator(const plan::StopRequest& stop) {
  std::cerr << "operator: " << std::flush;
  std::string why;
  return prompter_.input().ReadLine(stop, why);
}

void TerminalDesk::ShowIdentity(const StationIdentity& identity) {
  std::cout << "station " << identity.station << ", operator " << identity.operator_name
            << ", plan " << identity.plan;
  if (!identity.revision.empty()) std::cout << " (" << identity.revision << ")";
  std::cout << std::endl;
}

std::optional<std::string> TerminalDesk::AskSerial(const std::string& refusal, const Tally&,
                                                   const plan::StopRequest& stop) {
  if (!refusal.empty()) std::cerr << "refused: " << refusal << '\n';
  std::cerr << "serial number: " << std::flush;
  std::string why;
  return prompter_.input().ReadLine(stop, why);
}

void TerminalDesk::ShowPhases(const std::string& unit, const std::vector<PhaseLine>& phases) {
  const bool unit_begins = std::all_of(phases.begin(), phases.end(), [](const PhaseLine& phase) {
    return phase.state == PhaseState::kWaiting;
  });
  if (unit_begins) {
    shown_.clear();
    std::cout << "unit " << unit << std::endl;
  }
  for (const auto& phase : phases) {
    auto [shown, first] = shown_.try_emplace(phase.name, PhaseState::kWaiting);
    if (phase.state == PhaseState::kWaiting || (!first && shown->second == phase.state)) continue;
    shown->second = phase.state;
    std::cout << "  " << StateName(phase.state) << "  " << phase.name
              << (phase.detail.empty() ? "" : ": " + phase.detail) << '\n';
  }
  std::cout << std::flush;
}

void TerminalDesk::ShowVerdict(const std::string& unit, const Verdict& verdict,
                               const Tally& tally) {
  std::cout << (verdict.colour == VerdictColour::kMarginal ? "PASS (marginal)" : verdict.word)
            << "  unit " << unit << (verdict.detail.empty() ? "" : ": " + verdict.detail) << '\n'
            << "units " << tally.units << ", passed " << tally.passed << " of " << tally.runs
            << " runs, first-pass yield " << FirstPassYieldPercent(tally) << " %" << std::endl;
}

}  // namespace station
