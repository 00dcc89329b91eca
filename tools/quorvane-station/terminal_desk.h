// The station without a display: questions on standard error, answers (and a scanner's serial
// numbers) as lines on standard input, the phases and the verdict on standard output, a line for
// each phase as it ends.
#pragma once

#include <map>

#include "tools/quorvane-station/operator_desk.h"

namespace station {

class TerminalDesk : public OperatorDesk {
 public:
  std::optional<std::string> Ask(const plan::PromptStep& prompt, const plan::StopRequest& stop,
                                 std::string& why) override;
  std::string AnsweredBy() const override { return "operator"; }

  std::optional<std::string> AskOperator(const plan::StopRequest& stop) override;
  void ShowIdentity(const StationIdentity& identity) override;
  std::optional<std::string> AskSerial(const std::string& refusal, const Tally& tally,
                                       const plan::StopRequest& stop) override;
  void ShowPhases(const std::string& unit, const std::vector<PhaseLine>& phases) override;
  void ShowVerdict(const std::string& unit, const Verdict& verdict, const Tally& tally) override;

 private:
  plan::TerminalPrompter prompter_;
  std::map<std::string, PhaseState> shown_;  // each phase's state last printed for this unit
};

// The state's word as the terminal and the records show it.
std::string_view StateName(PhaseState state);

}  // namespace station
