// `quorvane-results pareto`: the failing phases and measurements, most frequent first, with the
// runs each failed in, its share and the cumulative share.
#pragma once

#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

int RunPareto(const Shared& shared, const QueryOptions& options);

}  // namespace quorvane_results
