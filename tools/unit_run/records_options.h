// The options of the plan tool and the station that say where a run's records and its place in
// the results store go: `--out DIR` (default: the working folder), `--store FILE` (default:
// results.sqlite in the records' folder) and `--no-store`.
#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>

#include "tools/unit_run/run_store.h"

namespace unit_run {

struct RecordsOptions {
  std::filesystem::path out;
  std::filesystem::path store;
  bool no_store = false;
  std::string line_db;
};

void AddRecordsOptions(CLI::App& app, RecordsOptions& options);

// Where the records and the store are, once the command line is parsed.
RecordsPlace ResolveRecords(const RecordsOptions& options);

}  // namespace unit_run
