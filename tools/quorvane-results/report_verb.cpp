#include "tools/quorvane-results/report_verb.h"

#include <iostream>
#include <memory>

#include "report/report_writer.h"
#include "tools/quorvane-results/query_verb.h"

namespace quorvane_results {

Verb AddReportVerb(CLI::App& app, const Shared& shared) {
  auto options = std::make_shared<report::ReportOptions>();
  auto* command = app.add_subcommand(
      "report", "writes the report, a folder of HTML pages: yield, the failure Pareto, each "
                "measurement's histogram and control chart, each unit's runs and session record");
  command->add_option("--out", options->out, "the report's folder, written whole or not at all")
      ->required();
  command->add_option("--records", options->records,
                      "the records' folder the runs' session records are in (default: the "
                      "store's folder)");
  AddRunFilterOptions(*command, options->filter);
  return {command, [options, &shared] {
            return WithStore(shared, [&](results::ResultsStore& store) {
              if (options->records.empty()) {
                options->records = store.database().file().parent_path();
              }
              try {
                const report::ReportTally tally = report::WriteReport(store, *options);
                std::cout << "wrote " << options->out.string() << ": " << tally.measurements
                          << " measurement pages, " << tally.units << " unit pages\n";
                return kDone;
              } catch (const report::ReportError& fault) {
                std::cerr << "quorvane-results: report: " << fault.what() << '\n';
                return kReportNotWritten;
              }
            });
          }};
}

}  // namespace quorvane_results
