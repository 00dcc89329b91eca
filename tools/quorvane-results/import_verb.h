// `quorvane-results import DIR`: stores every JSON record under DIR (the runs of before the store,
// or of while it could not be written), each run once, and tells how many were stored, how many
// were already there and which files were refused and why. The store is `--store`, or
// results.sqlite in DIR, where the plan tool and the station put it.
#pragma once

#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

int RunImport(const Shared& shared, const std::filesystem::path& folder);

}  // namespace quorvane_results
