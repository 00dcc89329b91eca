// A measurement's distribution: count, mean, sample standard deviation, minimum, maximum and Cpk
// against its limits, by plan (and station when asked), for the runs a filter keeps. Values that
// were measured against different limits or in different units are never pooled: each set of
// limits is a row of its own. Cpk is the distance from the mean to the nearer limit in units of
// three standard deviations; with one limit it is that limit's side alone; there is none without
// a numeric limit, with fewer than two values, or when every value is the same (the spread is 0,
// so the figure would be infinite): `no_cpk` says which.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/run_filter.h"

namespace results {

struct DistributionRow {
  std::string plan;
  std::optional<std::string> station;  // only when asked by station
  std::string units;
  std::optional<double> low, high;
  std::int64_t count = 0;
  double mean = 0;
  std::optional<double> deviation;  // sample standard deviation, from two values on
  double minimum = 0, maximum = 0;
  std::optional<double> cpk;
  std::string no_cpk;  // why there is no Cpk: "no limits", "one value" or "no spread"
};

// Ordered by plan, station, units and limits; empty when no run the filter keeps has a numeric
// value of `name`.
std::vector<DistributionRow> QueryDistribution(QueryDatabase& database, const std::string& name,
                                               const RunFilter& filter, bool by_station);

}  // namespace results
