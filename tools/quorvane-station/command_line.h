// The command line of quorvane-station:
//   quorvane-station PLAN.toml [--station ID] [--operator NAME] [--out DIR]
//                    [--store FILE | --no-store] [--terminal]
//                    [--sandbox DIR | --socket PATH | --simulate [--console PATH] [--keep]]
#pragma once

#include <filesystem>
#include <string>
#include <variant>

#include "tools/early_exit.h"
#include "tools/unit_run/unit_run.h"

namespace quorvane_station {

struct Invocation {
  std::filesystem::path plan;
  std::string station;
  std::string operator_name;       // asked at the start when not given
  unit_run::RecordsPlace records;  // where every run's records go, and the store
  bool terminal = false;           // the terminal's desk even where a display is
  unit_run::TerminalChoice unit_terminal;
};

std::variant<Invocation, tools::EarlyExit> ParseCommandLine(int argc, char** argv,
                                                            int usage_status);

}  // namespace quorvane_station
