// Writing the report: every page into a fresh folder beside the one asked for, which takes the
// asked-for name only once every page is written, so that a reader never meets half a report and
// a failure leaves the last whole one as it was. An existing folder is replaced only when it is
// empty or an earlier report (it holds the mark kReportMark), never a folder of something else.
#pragma once

#include <filesystem>
#include <stdexcept>

#include "results/query_database.h"
#include "results/run_filter.h"

namespace report {

inline constexpr const char* kReportMark = ".quorvane-report";

class ReportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ReportOptions {
  std::filesystem::path out;
  std::filesystem::path records;  // where the runs' session records are named
  results::RunFilter filter;
};

struct ReportTally {
  std::size_t measurements = 0;
  std::size_t units = 0;
};

// The report of the runs in `database`, a station's store or the line's database. Throws
// ReportError (the folder cannot be written or is not a report's) or the database's error
// (results::StoreError, results::LineDbError).
ReportTally WriteReport(results::QueryDatabase& database, const ReportOptions& options);

}  // namespace report
