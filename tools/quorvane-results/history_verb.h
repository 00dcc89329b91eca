// `quorvane-results history UNIT`: every run of one unit in order, with what failed in each.
#pragma once

#include <string>

#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

int RunHistory(const Shared& shared, const std::string& unit, bool json);

}  // namespace quorvane_results
