#include <map>

#include "report/charts.h"
#include "report/html.h"
#include "report/page_names.h"
#include "report/pages.h"
#include "results/pareto_query.h"
#include "results/yield_query.h"

namespace report {

namespace {

struct Counts {
  std::int64_t units = 0, first_pass = 0, final_pass = 0;
};

// Yield by station and day, every plan and revision of the day together.
std::string YieldSection(results::QueryDatabase& database, const results::RunFilter& filter) {
  std::map<std::string, std::map<std::string, Counts>> by_station;
  std::map<std::string, int> days;
  for (const results::YieldRow& row : results::QueryYield(database, filter)) {
    Counts& counts = by_station[row.station][row.day];
    counts.units += row.units;
    counts.first_pass += row.first_pass;
    counts.final_pass += row.final_pass;
    days[row.day];
  }
  std::string html = "<h2>First-pass yield per station</h2>\n";
  if (by_station.empty()) return html + "<p class=\"note\">No runs.</p>\n";
  std::vector<std::string> day_list;
  for (auto& [day, index] : days) {
    index = static_cast<int>(day_list.size());
    day_list.push_back(day);
  }
  std::vector<YieldLine> lines;
  std::string table =
      "<table><tr><th>station</th><th>day (UTC)</th><th>units</th><th>first pass</th>"
      "<th>final</th></tr>\n";
  for (const auto& [station, station_days] : by_station) {
    YieldLine& line = lines.emplace_back();
    line.station = station.empty() ? "(no station)" : station;
    line.yields.assign(day_list.size(), std::nullopt);
    for (const auto& [day, counts] : station_days) {
      const double first =
          static_cast<double>(counts.first_pass) / static_cast<double>(counts.units);
      const double final =
          static_cast<double>(counts.final_pass) / static_cast<double>(counts.units);
      line.yields[static_cast<std::size_t>(days[day])] = first;
      table += "<tr><td>" + Escape(line.station) + "</td><td>" + Escape(day) +
               "</td><td class=\"n\">" + std::to_string(counts.units) + "</td><td class=\"n\">" +
               Percent(first) + "</td><td class=\"n\">" + Percent(final) + "</td></tr>\n";
    }
  }
  return html + YieldChart(day_list, lines) + table + "</table>\n";
}

std::string ParetoSection(results::QueryDatabase& database, const results::RunFilter& filter) {
  const auto rows = results::QueryPareto(database, filter);
  std::string html = "<h2>What fails most</h2>\n";
  if (rows.empty()) return html + "<p class=\"note\">Nothing failed.</p>\n";
  html += ParetoChart(rows) +
          "<table><tr><th>#</th><th>phase</th><th>measurement</th><th>failed runs</th>"
          "<th>share</th><th>cumulative</th></tr>\n";
  for (std::size_t index = 0; index < rows.size(); ++index) {
    const auto& row = rows[index];
    const std::string what = row.measurement
                                 ? "<a href=\"" + Href(MeasurementPage(*row.measurement)) + "\">" +
                                       Escape(*row.measurement) + "</a>"
                                 : "(the phase itself)";
    html += "<tr><td class=\"n\">" + std::to_string(index + 1) + "</td><td>" + Escape(row.phase) +
            "</td><td>" + what + "</td><td class=\"n\">" + std::to_string(row.failures) +
            "</td><td class=\"n\">" + Percent(row.share) + "</td><td class=\"n\">" +
            Percent(row.cumulative) + "</td></tr>\n";
  }
  return html + "</table>\n";
}

}  // namespace

std::string OverviewPage(results::QueryDatabase& database, const results::RunFilter& filter,
                         const std::vector<std::string>& measurements,
                         const std::vector<UnitSummary>& units) {
  std::string html = PageStart("Test results", std::nullopt);
  html += YieldSection(database, filter) + ParetoSection(database, filter);
  html += "<h2>Measurements</h2>\n<ul>\n";
  for (const std::string& name : measurements) {
    html += "<li><a href=\"" + Href(MeasurementPage(name)) + "\">" + Escape(name) + "</a></li>\n";
  }
  html += "</ul>\n<h2>Units</h2>\n<table><tr><th>unit</th><th>runs</th><th>last run (UTC)</th>"
          "<th>last outcome</th></tr>\n";
  for (const auto& unit : units) {
    html += "<tr><td><a href=\"" + Href(UnitPage(unit.unit)) + "\">" + Escape(unit.unit) +
            "</a></td><td class=\"n\">" + std::to_string(unit.runs) + "</td><td>" +
            Escape(unit.last_start) + "</td><td class=\"" + Escape(unit.last_outcome) + "\">" +
            Escape(unit.last_outcome) + "</td></tr>\n";
  }
  return html + "</table>\n" + PageEnd();
}

}  // namespace report
