// One run of a plan on one unit, as quorvane-plan and the station both carry it out: the
// terminal reached (a running console's socket, or a fresh simulated terminal for the unit, as
// if it had just been cabled), the plan run over the link, a simulated terminal's session record
// kept beside the unit's records, and the JSON and JUnit records written under a name no earlier
// run took.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "plan/plan.h"
#include "plan/prompter.h"
#include "plan/run_result.h"
#include "plan/stop_request.h"

namespace unit_run {

// How the terminal under test is reached.
struct TerminalChoice {
  std::filesystem::path socket;   // a running console's; empty with `simulate`
  std::filesystem::path sandbox;  // the running console's, when known
  bool simulate = false;          // a fresh simulated terminal for each run
  std::filesystem::path console;  // the console program a simulated terminal runs
  bool keep = false;              // leave a simulated terminal's folder in place
};

struct UnitRun {
  plan::RunResult run;
  // The plan was refused before anything ran (a file step names what the terminal lacks, the
  // board profile cannot be read): no record was written and `faults` says why.
  bool refused = false;
  std::vector<std::filesystem::path> records;  // the records written, in order
  std::vector<std::string> faults;             // what went wrong besides the run's own outcome
};

// Why `unit` cannot be a serial number for runs of `plan`, or nothing when it can.
std::optional<std::string> UnitRefusal(const plan::Plan& plan, const std::string& unit);

// Runs `plan` on the unit `header` names (its unit, station and console version filled in) and
// writes the records in `out`. `notice` hears at once what the operator may want before the run
// ends: where a kept simulated terminal lies.
UnitRun RunUnit(const plan::Plan& plan, const plan::RunResult& header,
                const TerminalChoice& terminal, const std::filesystem::path& out,
                plan::Prompter& prompter, const plan::StopRequest& stop,
                const std::function<void(const std::string&)>& notice);

}  // namespace unit_run
