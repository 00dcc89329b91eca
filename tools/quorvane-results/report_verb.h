// `report --out DIR`: the line's report as a static HTML folder (report/report_writer.h), for the
// runs the filters keep.
#pragma once

#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

inline constexpr int kReportNotWritten = 5;  // the report's folder could not be written

Verb AddReportVerb(CLI::App& app, const Shared& shared);

}  // namespace quorvane_results
