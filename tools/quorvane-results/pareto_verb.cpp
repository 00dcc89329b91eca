#include "tools/quorvane-results/pareto_verb.h"

#include <iostream>

#include "results/pareto_query.h"
#include "tools/quorvane-results/query_verb.h"
#include "tools/quorvane-results/text_table.h"

namespace quorvane_results {

namespace {

void PrintPareto(const std::vector<results::ParetoRow>& rows, bool json) {
  if (json) {
    nlohmann::json out = nlohmann::json::array();
    for (const auto& row : rows) {
      out.push_back({{"phase", row.phase},
                     {"measurement", OrNull(row.measurement)},
                     {"failures", row.failures},
                     {"share", row.share},
                     {"cumulative", row.cumulative}});
    }
    PrintJson(out);
    return;
  }
  using Align = TextTable::Align;
  TextTable table({{"PHASE"},
                   {"MEASUREMENT"},
                   {"FAILED RUNS", Align::kRight},
                   {"SHARE", Align::kRight},
                   {"CUMULATIVE", Align::kRight}});
  for (const auto& row : rows) {
    table.AddRow({row.phase, row.measurement.value_or("(the phase)"), std::to_string(row.failures),
                  Percent(row.share), Percent(row.cumulative)});
  }
  table.Print(std::cout);
}

}  // namespace

int RunPareto(const Shared& shared, const QueryOptions& options) {
  return WithDatabase(shared, [&](results::QueryDatabase& database) {
    PrintPareto(results::QueryPareto(database, options.filter), options.json);
    return kDone;
  });
}

}  // namespace quorvane_results
