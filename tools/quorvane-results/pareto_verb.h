// `quorvane-results pareto`: the failing phases and measurements, most frequent first, with the
// runs each failed in, its share and the cumulative share.
#pragma once

#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

Verb AddParetoVerb(CLI::App& app, const Shared& shared);

}  // namespace quorvane_results
