#include "tools/quorvane-results/report_verb.h"

#include <iostream>

#include "report/report_writer.h"
#include "tools/quorvane-results/query_verb.h"

namespace quorvane_results {

int RunReport(const Shared& shared, report::ReportOptions options) {
  return WithStore(shared, [&](results::ResultsStore& store) {
    if (options.records.empty()) options.records = store.database().file().parent_path();
    try {
      const report::ReportTally tally = report::WriteReport(store, options);
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
