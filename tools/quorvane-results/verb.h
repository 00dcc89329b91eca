// What the verbs of quorvane-results (`import`, `forward` and the queries) share: the store the
// shared `--store` names or the line's database a query verb's `--line-db` names, the query
// verbs' options and the exit statuses. Each verb is a file with
// its Run function; command_line.cpp gives it its subcommand and options.
#pragma once

#include <filesystem>
#include <string>

#include "results/run_filter.h"

namespace quorvane_results {

// What every verb is given: the store's file as `--store` named it (empty when not given: the
// verb says where its store is then), and the line's database as a query verb's `--line-db`
// named it (a libpq connection string; empty when not given).
struct Shared {
  std::filesystem::path store;
  std::string line_db;
};

// Exit statuses every verb keeps to.
inline constexpr int kDone = 0;
inline constexpr int kPartly = 1;        // done, with some input refused
inline constexpr int kStoreFault = 2;    // the store could not be used
inline constexpr int kUsageRefused = 3;  // the command line is refused
inline constexpr int kNotFound = 4;      // an unknown unit or measurement

// The options every query verb takes: the run filter (--plan, --station, --since, --until) and
// --json.
struct QueryOptions {
  results::RunFilter filter;
  bool json = false;
};

}  // namespace quorvane_results
