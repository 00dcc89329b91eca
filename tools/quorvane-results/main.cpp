// quorvane-results: the results store from the command line. Each verb is a subcommand of its own
// (verb.h); `--store FILE` names the store for any of them.
#include <iostream>

#include "tools/early_exit.h"
#include "tools/quorvane-results/verb.h"

int main(int argc, char** argv) {
  using namespace quorvane_results;
  CLI::App app{
      "Works on the results store, the SQLite file every run of quorvane-plan and "
      "quorvane-station goes into. Exit status: 0 done, 1 done with some input refused, 2 the "
      "store could not be used, 3 the command line is refused, 4 no such unit or measurement, 5 "
      "the report could not be written.",
      "quorvane-results"};
  Shared shared;
  app.add_option("--store", shared.store, "the results store (an SQLite file)");
  app.require_subcommand(1);
  app.fallthrough();  // --store may also follow the verb
  std::vector<Verb> verbs;
  for (const VerbAdder add : Verbs()) verbs.push_back(add(app, shared));
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return tools::ExitEarly("quorvane-results", tools::EarlyExitFrom(app, error, kUsageRefused));
  }
  for (const Verb& verb : verbs) {
    if (verb.command->parsed()) return verb.run();
  }
  return kUsageRefused;
}
