// A verb of quorvane-results (`import`, and the queries beside it): it adds its subcommand with
// its own options to the tool's command line, and once that subcommand was chosen runs it on the
// store the shared `--store` names. A new verb is one file defining its Add function and one line
// in verbs.cpp.
#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <functional>
#include <vector>

namespace quorvane_results {

// What every verb is given: the store's file as `--store` named it (empty when not given: the
// verb says where its store is then).
struct Shared {
  std::filesystem::path store;
};

// Exit statuses every verb keeps to.
inline constexpr int kDone = 0;
inline constexpr int kPartly = 1;        // done, with some input refused
inline constexpr int kStoreFault = 2;    // the store could not be used
inline constexpr int kUsageRefused = 3;  // the command line is refused
inline constexpr int kNotFound = 4;      // an unknown unit or measurement

struct Verb {
  CLI::App* command;         // parsed() once chosen
  std::function<int()> run;  // prints its results and gives the exit status
};

using VerbAdder = Verb (*)(CLI::App& app, const Shared& shared);

// Every verb the tool has, in the order its help lists them.
const std::vector<VerbAdder>& Verbs();

}  // namespace quorvane_results
