// The command line of quorvane-plan:
//   quorvane-plan PLAN.toml --unit SERIAL [--station ID] [--out DIR]
//                 [--sandbox DIR | --socket PATH | --simulate [--console PATH] [--keep]
//                  | --ssh USER@HOST [--ssh-config FILE] [--remote-socket PATH]]
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include "tools/early_exit.h"
#include "tools/unit_run/ssh_forward.h"

namespace quorvane_plan {

struct Invocation {
  std::filesystem::path plan;
  std::string unit;
  std::string station;
  std::filesystem::path out;      // where both reports go
  std::filesystem::path socket;   // the running console's; empty with --simulate
  std::filesystem::path sandbox;  // the running console's, when known (not with --socket)
  bool simulate = false;
  bool keep = false;                       // --simulate: leave the sandbox in place
  std::filesystem::path console;           // --simulate: the console program
  std::optional<unit_run::SshTarget> ssh;  // a terminal's console, through ssh
};

std::variant<Invocation, tools::EarlyExit> ParseCommandLine(int argc, char** argv,
                                                            int usage_status);

}  // namespace quorvane_plan
