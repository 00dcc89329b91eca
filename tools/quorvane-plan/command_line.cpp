#include "tools/quorvane-plan/command_line.h"

#include <CLI/CLI.hpp>

#include "tools/unit_run/records_options.h"
#include "tools/unit_run/terminal_options.h"

namespace quorvane_plan {

using tools::EarlyExit;

std::variant<Invocation, EarlyExit> ParseCommandLine(int argc, char** argv, int usage_status) {
  CLI::App app{
      "Runs a test plan against the console through its socket and writes the unit's record "
      "as UNIT_PLAN_START.json and UNIT_PLAN_START.xml (JUnit). Exit status: 0 every phase "
      "passed, 1 a phase failed or timed out, 2 an error (the console unreachable, a step "
      "refused), 3 the plan or the command line is refused, 130/143 stopped by SIGINT/SIGTERM.",
      "quorvane-plan"};
  Invocation invocation;
  unit_run::TerminalOptions terminal;
  app.add_option("PLAN", invocation.plan, "the plan file (TOML)")->required();
  app.add_option("--unit", invocation.unit, "the serial number of the unit under test")->required();
  app.add_option("--station", invocation.station, "the test station's name");
  unit_run::RecordsOptions records;
  unit_run::AddRecordsOptions(app, records);
  unit_run::AddTerminalOptions(
      app, terminal,
      "start a console of our own on a fresh simulated terminal with the plan's board profile, "
      "answer prompts from the plan's [answers], and end the console afterwards");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    EarlyExit early = tools::EarlyExitFrom(app, error, usage_status);
    if (early.status == 0) early.text += '\n';  // this tool's help ends with an empty line
    return early;
  }
  invocation.records = unit_run::ResolveRecords(records);
  std::string error;
  auto chosen = unit_run::ResolveTerminal(terminal, argv[0], error);
  if (!chosen) return EarlyExit{usage_status, error};
  invocation.terminal = *chosen;
  return invocation;
}

}  // namespace quorvane_plan
