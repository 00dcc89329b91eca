#include "tools/quorvane-station/command_line.h"

#include <CLI/CLI.hpp>

#include "tools/unit_run/records_options.h"
#include "tools/unit_run/terminal_options.h"

namespace quorvane_station {

using tools::EarlyExit;

std::variant<Invocation, EarlyExit> ParseCommandLine(int argc, char** argv, int usage_status) {
  CLI::App app{
      "Tests unit after unit with one plan: asks the operator's name, then for each unit its "
      "serial number (typed, or scanned), runs the plan on it, shows the verdict and writes the "
      "run's records as quorvane-plan does, never over an earlier run's. Ends when the input "
      "ends or on Ctrl-C between units. Exit status: 0 ended by the operator, 2 an error, 3 the "
      "plan or the command line is refused, 130/143 stopped by SIGINT/SIGTERM during a unit.",
      "quorvane-station"};
  Invocation invocation;
  unit_run::TerminalOptions terminal;
  app.add_option("PLAN", invocation.plan, "the plan file (TOML)")->required();
  app.add_option("--station", invocation.station, "the test station's name");
  app.add_option("--operator", invocation.operator_name,
                 "the operator's name (asked at the start when not given)");
  unit_run::RecordsOptions records;
  unit_run::AddRecordsOptions(app, records);
  app.add_flag("--terminal", invocation.terminal,
               "questions and verdicts on the terminal even where there is a display");
  unit_run::AddTerminalOptions(
      app, terminal,
      "test each unit on a fresh simulated terminal with the plan's board profile, as if the "
      "next unit had been cabled");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return tools::EarlyExitFrom(app, error, usage_status);
  }
  invocation.records = unit_run::ResolveRecords(records);
  std::string error;
  auto chosen = unit_run::ResolveTerminal(terminal, argv[0], error);
  if (!chosen) return EarlyExit{usage_status, error};
  invocation.unit_terminal = *chosen;
  return invocation;
}

}  // namespace quorvane_station
