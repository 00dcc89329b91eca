// The command line of quorvane-plan:
//   quorvane-plan PLAN.toml --unit SERIAL [--station ID] [--out DIR] [--store FILE | --no-store]
//                 [--sandbox DIR | --socket PATH] [--simulate [--console PATH] [--keep]]
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include "tools/early_exit.h"
#include "tools/unit_run/unit_run.h"

namespace quorvane_plan {

struct Invocation {
  std::filesystem::path plan;
  std::string unit;
  std::string station;
  unit_run::RecordsPlace records;  // where both reports go, and the store
  unit_run::TerminalChoice terminal;
};

std::variant<Invocation, tools::EarlyExit> ParseCommandLine(int argc, char** argv,
                                                            int usage_status);

}  // namespace quorvane_plan
