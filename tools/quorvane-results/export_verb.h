// `quorvane-results export`: the measurements (or, with --runs, the runs) as CSV on standard
// output, for the runs the filter keeps.
#pragma once

#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

Verb AddExportVerb(CLI::App& app, const Shared& shared);

}  // namespace quorvane_results
