#include <algorithm>

#include "report/charts.h"
#include "report/html.h"
#include "report/pages.h"
#include "results/distribution_query.h"
#include "results/measurement_series_query.h"

namespace report {

namespace {

std::string LimitsText(const results::MeasurementSeries& series) {
  if (!series.low && !series.high) return "no limits";
  std::string text = Number(series.low) + " to " + Number(series.high);
  if (series.marginal_band.value_or(0) > 0) {
    text += ", marginal within " + Number(series.marginal_band) + " of a limit";
  }
  return text;
}

std::string FiguresTable(const results::DistributionRow& row) {
  return "<table><tr><th>count</th><th>mean</th><th>std. deviation</th><th>minimum</th>"
         "<th>maximum</th><th>Cpk</th></tr>\n<tr><td class=\"n\">" +
         std::to_string(row.count) + "</td><td class=\"n\">" + Number(row.mean) +
         "</td><td class=\"n\">" + Number(row.deviation) + "</td><td class=\"n\">" +
         Number(row.minimum) + "</td><td class=\"n\">" + Number(row.maximum) +
         "</td><td class=\"n\">" + (row.cpk ? Fixed(row.cpk, 2) : Escape(row.no_cpk)) +
         "</td></tr></table>\n";
}

}  // namespace

std::string MeasurementPageHtml(results::QueryDatabase& database, const std::string& name,
                                const results::RunFilter& filter) {
  const auto rows = results::QueryDistribution(database, name, filter, false);
  std::string html = PageStart(name, "../");
  for (const results::MeasurementSeries& series :
       results::QueryMeasurementSeries(database, name, filter)) {
    html += "<h2>" + Escape(series.plan) +
            (series.units.empty() ? "" : ", " + Escape(series.units)) + ", " +
            Escape(LimitsText(series)) + "</h2>\n";
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const auto& candidate) {
      return candidate.plan == series.plan && candidate.units == series.units &&
             candidate.low == series.low && candidate.high == series.high;
    });
    if (row != rows.end()) html += FiguresTable(*row);
    std::vector<double> values;
    values.reserve(series.values.size());
    for (const auto& measured : series.values) values.push_back(measured.value);
    const Limits limits{series.low, series.high, series.marginal_band};
    html += "<h3>Histogram</h3>\n" + HistogramChart(values, limits);
    html += "<h3>Over time, " + Escape(series.values.front().start) + " to " +
            Escape(series.values.back().start) + "</h3>\n" + ControlChart(values, limits);
  }
  return html + PageEnd();
}

}  // namespace report
