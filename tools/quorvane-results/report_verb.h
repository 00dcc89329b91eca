// `report --out DIR`: the line's report as a static HTML folder (report/report_writer.h), for the
// runs the filters keep.
#pragma once

#include "report/report_writer.h"
#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

inline constexpr int kReportNotWritten = 5;  // the report's folder could not be written

int RunReport(const Shared& shared, report::ReportOptions options);

}  // namespace quorvane_results
