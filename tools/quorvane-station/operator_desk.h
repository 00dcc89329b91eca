// The operator's side of the station: who is working, the next unit's serial number, the plan's
// questions, and what the operator sees while a unit runs and after it. The station loop calls a
// desk from its own thread; a desk may be answered from another (a window's), and each question
// waits until the operator answers or a stop comes, never longer.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "plan/prompter.h"
#include "plan/stop_request.h"

namespace station {

// This session's count at the station.
struct Tally {
  int units = 0;       // distinct serial numbers tested
  int runs = 0;        // runs, retests included
  int passed = 0;      // runs that passed
  int first_pass = 0;  // units whose first run passed
};

// Who tests what: shown on the screen and written into every record.
struct StationIdentity {
  std::string station;
  std::string operator_name;
  std::string plan;
  std::string revision;
};

// A phase's line while the unit runs and after.
enum class PhaseState {
  kWaiting,
  kRunning,
  kPass,
  kMarginal,
  kFail,
  kError,
  kTimeout,
  kAborted,
  kSkipped
};
struct PhaseLine {
  std::string name;
  PhaseState state = PhaseState::kWaiting;
  // While running, the attempt or repeat; after a failure, the failing measurement with its value
  // and limits; for a skipped phase, why.
  std::string detail;
};

// The banner: green for a pass, amber for a pass with a marginal measurement, red otherwise.
enum class VerdictColour { kPass, kMarginal, kFail };
struct Verdict {
  VerdictColour colour = VerdictColour::kFail;
  std::string word;    // "PASS", "FAIL", "ERROR", "TIMEOUT", "ABORTED"
  std::string detail;  // the first failing measurement, or what went wrong; may be empty
};

class OperatorDesk : public plan::Prompter {
 public:
  // The operator's name, asked once; nothing when a stop came or the input ended.
  virtual std::optional<std::string> AskOperator(const plan::StopRequest& stop) = 0;
  virtual void ShowIdentity(const StationIdentity& identity) = 0;
  // Ready for the next unit: its serial number as typed or scanned (a line ending in Enter);
  // nothing when a stop came or the input ended. `refusal` says why the last number given was
  // refused, empty when it was not.
  virtual std::optional<std::string> AskSerial(const std::string& refusal, const Tally& tally,
                                               const plan::StopRequest& stop) = 0;
  // The unit's phases, the whole list each time one changes.
  virtual void ShowPhases(const std::string& unit, const std::vector<PhaseLine>& phases) = 0;
  virtual void ShowVerdict(const std::string& unit, const Verdict& verdict, const Tally& tally) = 0;
};

}  // namespace station
