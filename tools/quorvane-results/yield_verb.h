// `quorvane-results yield`: first-pass and final yield by plan, revision, station and UTC day,
// each with the counts behind it.
#pragma once

#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

int RunYield(const Shared& shared, const QueryOptions& options);

}  // namespace quorvane_results
