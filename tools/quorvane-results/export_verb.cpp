#include "tools/quorvane-results/export_verb.h"

#include <iostream>
#include <memory>

#include "results/csv_export.h"
#include "tools/quorvane-results/query_verb.h"

namespace quorvane_results {

namespace {

struct ExportOptions {
  results::RunFilter filter;
  bool runs = false;
};

int Export(results::ResultsStore& store, const ExportOptions& options) {
  results::ExportCsv(store.database(),
                     options.runs ? results::CsvRows::kRuns : results::CsvRows::kMeasurements,
                     options.filter, std::cout);
  if (!std::cout.flush()) {
    std::cerr << "quorvane-results: the CSV could not be written to standard output\n";
    return kStoreFault;
  }
  return kDone;
}

}  // namespace

Verb AddExportVerb(CLI::App& app, const Shared& shared) {
  auto options = std::make_shared<ExportOptions>();
  auto* command = app.add_subcommand(
      "export", "the measurements, or the runs, as CSV (RFC 4180) on standard output");
  command->add_flag("--runs", options->runs, "one line per run instead of per measurement");
  AddRunFilterOptions(*command, options->filter);
  return {command, [options, &shared] {
            return WithStore(shared,
                             [&](results::ResultsStore& store) { return Export(store, *options); });
          }};
}

}  // namespace quorvane_results
