// `quorvane-results distribution NAME`: a measurement's count, mean, standard deviation, range
// and Cpk by plan, and by station with --by-station.
#pragma once

#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

Verb AddDistributionVerb(CLI::App& app, const Shared& shared);

}  // namespace quorvane_results
