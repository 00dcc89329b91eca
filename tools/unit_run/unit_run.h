// One run of a plan on one unit, as quorvane-plan and the station both carry it out: the
// terminal reached (a running console's socket, a terminal's console through a forward of ssh,
// or a fresh simulated terminal for the unit, as if it had just been cabled), the plan run over
// the link, a simulated terminal's session record kept beside the unit's records, and the JSON
// and JUnit records written under a name no earlier run took, and the run put in the results
// store.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "plan/plan.h"
#include "plan/prompter.h"
#include "plan/run_observer.h"
#include "plan/run_result.h"
#include "plan/stop_request.h"
#include "tools/unit_run/run_store.h"
#include "tools/unit_run/ssh_forward.h"

namespace unit_run {

// How the terminal under test is reached.
struct TerminalChoice {
  std::filesystem::path socket;   // a running console's; empty with `simulate` or `ssh`
  std::filesystem::path sandbox;  // the running console's, when known
  bool simulate = false;          // a fresh simulated terminal for each run
  std::filesystem::path console;  // the console program a simulated terminal runs
  bool keep = false;              // leave a simulated terminal's folder in place
  // A terminal's console over ssh, forwarded afresh for each run: each unit on the line is
  // another terminal at the same address.
  std::optional<SshTarget> ssh;
  // Where the station reaches an instrument's role instead of the plan's address; with
  // `simulate`, the simulated bench's roles are reached on the bench unless named here.
  std::map<std::string, std::string> instruments;
};

struct UnitRun {
  plan::RunResult run;
  // The plan was refused before anything ran (a file step names what the terminal lacks, the
  // board profile cannot be read): no record was written and `faults` says why.
  bool refused = false;
  std::vector<std::filesystem::path> records;  // the records written, in order
  std::vector<std::string> faults;             // what went wrong besides the run's own outcome
};

// A plan as read, with its revision.
struct RevisedPlan {
  plan::Plan plan;
  std::string revision;
};

// Reads the plan at `file` and reckons its revision; throws plan::PlanError.
RevisedPlan ReadRevisedPlan(const std::filesystem::path& file);

// What a run's result holds of `plan` before it starts: its name, file and `revision`, and the
// board profile a simulated terminal starts with.
plan::RunResult RunHeader(const plan::Plan& plan, const std::string& revision,
                          const TerminalChoice& terminal);

// Why `unit` cannot be a serial number for runs of `plan`, or nothing when it can.
std::optional<std::string> UnitRefusal(const plan::Plan& plan, const std::string& unit);

// Runs `plan` on the unit `header` names (its unit, station, console version and plan revision
// filled in; its run id drawn when empty), writes the records in `place` and stores the run.
// `observer` hears the run as it goes; `notice` hears at once what the operator may want before the
// run ends: where a kept simulated terminal lies.
UnitRun RunUnit(const plan::Plan& plan, const plan::RunResult& header,
                const TerminalChoice& terminal, const RecordsPlace& place, plan::Prompter& prompter,
                const plan::StopRequest& stop, plan::RunObserver& observer,
                const std::function<void(const std::string&)>& notice);

}  // namespace unit_run
