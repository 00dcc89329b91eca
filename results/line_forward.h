// Forwarding a station's runs from its SQLite store to the line's database, in the order they were
// stored. Each run goes in one server transaction: the run is inserted unless its id is there
// already, and its phases, measurements and prompts only when it was new; once the server has
// committed, the run is marked forwarded in SQLite. A run whose mark was lost (a station killed
// between the server's commit and the mark) is forwarded again and stores nothing twice.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "results/line_db.h"
#include "results/store.h"

namespace results {

enum class LineOutcome { kStored, kAlreadyThere };

// Puts `run` into the line's database in one transaction; throws LineDbError, having stored
// nothing of it.
LineOutcome ForwardRun(LineConnection& line, const StoredRun& run);

// The ids of the runs not yet forwarded, oldest first.
std::vector<std::string> UnforwardedRuns(ResultsStore& store);

struct ForwardCount {
  std::int64_t stored = 0;
  std::int64_t already_there = 0;
};

// Forwards every unforwarded run in order, marking each once the server has it, until none is
// left or `keep_going` says no; throws LineDbError or StoreError at the first run that fails,
// leaving it and those after it unforwarded.
ForwardCount ForwardPending(
    ResultsStore& store, LineConnection& line,
    const std::function<bool()>& keep_going = [] { return true; });

}  // namespace results
