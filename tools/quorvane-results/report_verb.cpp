#include "tools/quorvane-results/report_verb.h"

#include <iostream>

#include "report/report_writer.h"
#include "tools/quorvane-results/query_verb.h"

namespace quorvane_results {

int RunReport(const Shared& shared, report::ReportOptions options) {
  // The station's records are beside its store; the line's are wherever they were gathered.
  if (options.records.empty()) {
    options.records = shared.line_db.empty() ? StoreFile(shared).parent_path() : ".";
  }
  return WithDatabase(shared, [&](results::QueryDatabase& database) {
    try {
      const report::ReportTally tally = report::WriteReport(database, options);
      std::cout << "wrote " << options.out.string() << ": " << tally.measurements
                << " measurement pages, " << tally.units << " unit pages\n";
      return kDone;
    } catch (const report::ReportError& fault) {
      std::cerr << "quorvane-results: report: " << fault.what() << '\n';
      return kReportNotWritten;
    }
  });
}

}  // namespace quorvane_results
