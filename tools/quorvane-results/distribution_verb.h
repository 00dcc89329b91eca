// `quorvane-results distribution NAME`: a measurement's count, mean, standard deviation, range
// and Cpk by plan, and by station with --by-station.
#pragma once

#include <string>

#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

struct DistributionOptions {
  QueryOptions query;
  std::string name;
  bool by_station = false;
};

int RunDistribution(const Shared& shared, const DistributionOptions& options);

}  // namespace quorvane_results
