// A measurement's values over time, for a control chart and a histogram: every numeric value of
// it in the runs a filter keeps, oldest run first, in series that are never pooled across plans,
// units or limits (as its distribution's rows are not), each with the marginal band its last
// value was judged with. Also the names of the measurements that have a numeric value at all.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "results/run_filter.h"

namespace results {

struct MeasuredValue {
  std::string start;  // the run's
  std::string unit;
  double value = 0;
  bool operator==(const MeasuredValue&) const = default;
};

struct MeasurementSeries {
  std::string plan;
  std::string units;
  std::optional<double> low, high, marginal_band;  // a range's
  std::vector<MeasuredValue> values;               // oldest run first
  bool operator==(const MeasurementSeries&) const = default;
};

// Ordered by name.
std::vector<std::string> QueryMeasurementNames(QueryDatabase& database, const RunFilter& filter);

// Ordered by plan, units and limits, as QueryDistribution orders its rows.
std::vector<MeasurementSeries> QueryMeasurementSeries(QueryDatabase& database,
                                                      const std::string& name,
                                                      const RunFilter& filter);

}  // namespace results
