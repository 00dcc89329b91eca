// quorvane-results: the results store from the command line. Each verb is a file of its own
// (verb.h); `--store FILE` names the store for any of them.
#include "tools/quorvane-results/command_line.h"

int main(int argc, char** argv) {
  auto parsed = quorvane_results::ParseCommandLine(argc, argv);
  if (auto* early = std::get_if<tools::EarlyExit>(&parsed)) {
    return tools::ExitEarly("quorvane-results", *early);
  }
  return std::get<quorvane_results::VerbRun>(parsed)();
}
