#include "tools/quorvane-results/distribution_verb.h"

#include <iostream>

#include "results/distribution_query.h"
#include "tools/quorvane-results/query_verb.h"
#include "tools/quorvane-results/text_table.h"

namespace quorvane_results {

namespace {

void PrintJsonRows(const std::vector<results::DistributionRow>& rows) {
  nlohmann::json out = nlohmann::json::array();
  for (const auto& row : rows) {
    nlohmann::json item = {{"plan", row.plan},
                           {"units", row.units},
                           {"low", OrNull(row.low)},
                           {"high", OrNull(row.high)},
                           {"count", row.count},
                           {"mean", row.mean},
                           {"deviation", OrNull(row.deviation)},
                           {"minimum", row.minimum},
                           {"maximum", row.maximum},
                           {"cpk", OrNull(row.cpk)}};
    if (!row.no_cpk.empty()) item["no_cpk"] = row.no_cpk;
    if (row.station) item["station"] = *row.station;
    out.push_back(item);
  }
  PrintJson(out);
}

void PrintTable(const std::vector<results::DistributionRow>& rows, bool by_station) {
  using Align = TextTable::Align;
  std::vector<TextTable::Column> columns = {{"PLAN"}};
  if (by_station) columns.push_back({"STATION"});
  for (const char* heading :
       {"UNITS", "LOW", "HIGH", "COUNT", "MEAN", "STD DEV", "MIN", "MAX", "CPK"}) {
    columns.push_back(
        {heading, std::string_view(heading) == "UNITS" ? Align::kLeft : Align::kRight});
  }
  TextTable table(std::move(columns));
  for (const auto& row : rows) {
    std::vector<std::string> cells = {row.plan};
    if (by_station) cells.push_back(Cell(row.station.value_or("")));
    const std::vector<std::string> figures = {
        Cell(row.units),
        Number(row.low),
        Number(row.high),
        std::to_string(row.count),
        Number(row.mean),
        Number(row.deviation),
        Number(row.minimum),
        Number(row.maximum),
        row.cpk ? Figure(row.cpk, 2) : "- (" + row.no_cpk + ")"};
    cells.insert(cells.end(), figures.begin(), figures.end());
    table.AddRow(std::move(cells));
  }
  table.Print(std::cout);
}

int PrintDistribution(results::QueryDatabase& database, const DistributionOptions& options) {
  const auto rows =
      results::QueryDistribution(database, options.name, options.query.filter, options.by_station);
  if (rows.empty()) {
    return NotFound("no numeric value of the measurement " + options.name +
                    " in the runs asked for");
  }
  if (options.query.json) {
    PrintJsonRows(rows);
  } else {
    PrintTable(rows, options.by_station);
  }
  return kDone;
}

}  // namespace

int RunDistribution(const Shared& shared, const DistributionOptions& options) {
  return WithDatabase(shared, [&](results::QueryDatabase& database) {
    return PrintDistribution(database, options);
  });
}

}  // namespace quorvane_results
