#include "tools/quorvane-results/distribution_verb.h"

#include <iostream>
#include <memory>

#include "results/distribution_query.h"
#include "tools/quorvane-results/query_verb.h"
#include "tools/quorvane-results/text_table.h"

namespace quorvane_results {

namespace {

struct DistributionOptions {
  QueryOptions query;
  std::string name;
  bool by_station = false;
};

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

int PrintDistribution(results::ResultsStore& store, const DistributionOptions& options) {
  const auto rows = results::QueryDistribution(store.database(), options.name, options.query.filter,
                                               options.by_station);
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

Verb AddDistributionVerb(CLI::App& app, const Shared& shared) {
  auto options = std::make_shared<DistributionOptions>();
  auto* command = app.add_subcommand(
      "distribution", "a measurement's count, mean, standard deviation, minimum, maximum and Cpk");
  command->add_option("NAME", options->name, "the measurement's name")->required();
  command->add_flag("--by-station", options->by_station, "a row for each station too");
  AddQueryOptions(*command, options->query);
  return {command, [options, &shared] {
            return WithStore(shared, [&](results::ResultsStore& store) {
              return PrintDistribution(store, *options);
            });
          }};
}

}  // namespace quorvane_results
