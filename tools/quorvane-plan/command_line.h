// The command line of quorvane-plan:
//   quorvane-plan PLAN.toml --unit SERIAL [--station ID] [--out DIR]
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
  std::filesystem::path out;  // where both reports go
  unit_run::TerminalChoice terminal;
};

std::variant<Invocation, tools::EarlyExit> ParseCommandLine(int argc, char** argv,
                                                            int usage_status);

}  // namespace quorvane_plan
