// `quorvane-results history UNIT`: every run of one unit in order, with what failed in each.
#pragma once

#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

Verb AddHistoryVerb(CLI::App& app, const Shared& shared);

}  // namespace quorvane_results
