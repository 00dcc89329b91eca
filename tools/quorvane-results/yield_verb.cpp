#include "tools/quorvane-results/yield_verb.h"

#include <iostream>

#include "results/yield_query.h"
#include "tools/quorvane-results/query_verb.h"
#include "tools/quorvane-results/text_table.h"

namespace quorvane_results {

namespace {

void PrintYield(const std::vector<results::YieldRow>& rows, bool json) {
  if (json) {
    nlohmann::json out = nlohmann::json::array();
    for (const auto& row : rows) {
      out.push_back({{"plan", row.plan},
                     {"revision", OrNull(row.revision)},
                     {"station", row.station},
                     {"day", row.day},
                     {"units", row.units},
                     {"runs", row.runs},
                     {"first_pass", row.first_pass},
                     {"final_pass", row.final_pass},
                     {"first_pass_yield", row.first_pass_yield},
                     {"final_yield", row.final_yield}});
    }
    PrintJson(out);
    return;
  }
  using Align = TextTable::Align;
  TextTable table({{"PLAN"},
                   {"REVISION"},
                   {"STATION"},
                   {"DAY (UTC)"},
                   {"UNITS", Align::kRight},
                   {"RUNS", Align::kRight},
                   {"FIRST PASS", Align::kRight},
                   {"FINAL", Align::kRight}});
  for (const auto& row : rows) {
    table.AddRow({row.plan, ShortRevision(row.revision), Cell(row.station), row.day,
                  std::to_string(row.units), std::to_string(row.runs),
                  Percent(row.first_pass_yield) + " (" + std::to_string(row.first_pass) + ")",
                  Percent(row.final_yield) + " (" + std::to_string(row.final_pass) + ")"});
  }
  table.Print(std::cout);
}

}  // namespace

int RunYield(const Shared& shared, const QueryOptions& options) {
  return WithDatabase(shared, [&](results::QueryDatabase& database) {
    PrintYield(results::QueryYield(database, options.filter), options.json);
    return kDone;
  });
}

}  // namespace quorvane_results
