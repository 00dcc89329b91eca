// Every run a filter keeps, whole (its phases, measurements and prompts), unit by unit: the
// report's pages of units. Units come in byte order, each unit's runs oldest first, and each
// unit's runs are handed over together and then let go, so that a store of any size is read
// with one unit's runs in memory. Two statements read the whole store in one ordered pass each
// (runs with their phases and measurements, and the prompts beside them), where loading run by
// run would prepare a dozen statements for every run.
#pragma once

#include <functional>
#include <vector>

#include "results/run_filter.h"
#include "results/stored_run.h"

namespace results {

// `take` is given the runs of one unit at a time; they share `unit`. Fields the report does not
// show (the plan's file, the console's version, the board profile, repeats, the phases' times
// and teardown, marginal bands and repeats of measurements) are left empty.
void ForEachUnitsRuns(QueryDatabase& database, const RunFilter& filter,
                      const std::function<void(std::vector<StoredRun>& runs)>& take);

}  // namespace results
