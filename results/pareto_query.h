// The failure Pareto: what fails most, for the runs a filter keeps. An item is a measurement that
// failed (in its phase), or a phase that failed without a failed measurement (an error, a
// timeout, a step that did not answer); each counts the runs it failed in, once however many
// attempts failed. Items come most frequent first (then by phase and measurement as bytes, a
// phase's own failure before its measurements') with their share of all counted failures and
// the running total of those shares.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/run_filter.h"

namespace results {

struct ParetoRow {
  std::string phase;
  std::optional<std::string> measurement;  // nothing for the phase's own failure
  std::int64_t failures = 0;               // runs it failed in
  double share = 0;                        // of all the rows' failures
  double cumulative = 0;                   // this row's share and every one before it
  bool operator==(const ParetoRow&) const = default;
};

std::vector<ParetoRow> QueryPareto(QueryDatabase& database, const RunFilter& filter);

}  // namespace results
