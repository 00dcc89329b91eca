#include "tools/quorvane-results/export_verb.h"

#include <iostream>

#include "results/csv_export.h"
#include "tools/quorvane-results/query_verb.h"

namespace quorvane_results {

namespace {

int Export(results::QueryDatabase& database, const ExportOptions& options) {
  results::ExportCsv(database,
                     options.runs ? results::CsvRows::kRuns : results::CsvRows::kMeasurements,
                     options.filter, std::cout);
  if (!std::cout.flush()) {
    std::cerr << "quorvane-results: the CSV could not be written to standard output\n";
    return kStoreFault;
  }
  return kDone;
}

}  // namespace

int RunExport(const Shared& shared, const ExportOptions& options) {
  return WithDatabase(shared,
                      [&](results::QueryDatabase& database) { return Export(database, options); });
}

}  // namespace quorvane_results
