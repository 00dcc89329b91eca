// The command line of quorvane-results: `--store FILE` and one verb with its own options, parsed
// into the verb's run. CLI11 is compiled here alone: the verbs take their options as plain structs.
#pragma once

#include <functional>
#include <variant>

#include "tools/early_exit.h"

namespace quorvane_results {

// The chosen verb, ready to run on its options; it prints its results and gives the exit status.
using VerbRun = std::function<int()>;

std::variant<VerbRun, tools::EarlyExit> ParseCommandLine(int argc, char** argv);

}  // namespace quorvane_results
