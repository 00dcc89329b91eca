// The units the runs a filter keeps were given, each with how many of those runs it had and how
// its last one ended: the report's way to every unit's page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "results/run_filter.h"
#include "results/sqlite.h"

namespace results {

struct UnitSummary {
  std::string unit;
  std::int64_t runs = 0;
  std::string last_start;
  std::string last_outcome;
  bool operator==(const UnitSummary&) const = default;
};

// Ordered by unit, byte for byte.
std::vector<UnitSummary> QueryUnits(Database& database, const RunFilter& filter);

}  // namespace results
