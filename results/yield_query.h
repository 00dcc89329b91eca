// First-pass and final yield. A unit counts once per plan, in the group (plan, revision, station,
// UTC day) of its first run of that plan among the runs the filter keeps: it passed first time
// when that run passed, and in the end when its last run of the plan passed, wherever and
// whenever that was. So a unit retested on another day raises its first day's final yield, and
// every figure comes with the counts it was worked out from. Days are UTC, as the runs' times
// are stored: a station's local day is not recorded with its runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/run_filter.h"

namespace results {

struct YieldRow {
  std::string plan;
  std::optional<std::string> revision;
  std::string station;
  std::string day;  // YYYY-MM-DD, UTC
  std::int64_t units = 0;
  std::int64_t runs = 0;        // every run of those units, retests included
  std::int64_t first_pass = 0;  // units whose first run passed
  std::int64_t final_pass = 0;  // units whose last run passed
  double first_pass_yield = 0;  // first_pass / units
  double final_yield = 0;       // final_pass / units
  bool operator==(const YieldRow&) const = default;
};

// Ordered by plan, revision, station and day.
std::vector<YieldRow> QueryYield(QueryDatabase& database, const RunFilter& filter);

}  // namespace results
