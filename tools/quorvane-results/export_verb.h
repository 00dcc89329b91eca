// `quorvane-results export`: the measurements (or, with --runs, the runs) as CSV on standard
// output, for the runs the filter keeps.
#pragma once

#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

struct ExportOptions {
  results::RunFilter filter;
  bool runs = false;
};

int RunExport(const Shared& shared, const ExportOptions& options);

}  // namespace quorvane_results
