#include "tools/quorvane-results/history_verb.h"

#include <iostream>

#include "results/history_query.h"
#include "tools/quorvane-results/query_verb.h"
#include "tools/quorvane-results/text_table.h"

namespace quorvane_results {

namespace {

nlohmann::json HistoryJson(const std::vector<results::HistoryRun>& history) {
  nlohmann::json out = nlohmann::json::array();
  for (const auto& run : history) {
    nlohmann::json failed = nlohmann::json::array();
    for (const auto& phase : run.failed) {
      nlohmann::json measurements = nlohmann::json::array();
      for (const auto& m : phase.measurements) {
        measurements.push_back({{"name", m.name},
                                {"value", OrNull(m.value)},
                                {"units", m.units},
                                {"low", OrNull(m.low)},
                                {"high", OrNull(m.high)},
                                {"message", m.message},
                                {"attempt", m.attempt}});
      }
      failed.push_back({{"phase", phase.name},
                        {"outcome", phase.outcome},
                        {"message", phase.message},
                        {"measurements", measurements}});
    }
    out.push_back({{"id", run.id},
                   {"plan", run.plan},
                   {"revision", OrNull(run.revision)},
                   {"station", run.station},
                   {"operator", OrNull(run.operator_name)},
                   {"start", run.start},
                   {"end", run.end},
                   {"outcome", run.outcome},
                   {"marginal", run.marginal},
                   {"message", run.message},
                   {"failed", failed}});
  }
  return out;
}

// What failed in a run, for its table cell: "power: vcc 3.9 V (3 .. 3.6); modem: TIMEOUT".
std::string FailureText(const results::HistoryRun& run) {
  std::string text;
  for (const auto& phase : run.failed) {
    if (!text.empty()) text += "; ";
    text += phase.name + ":";
    if (phase.measurements.empty()) text += " " + phase.outcome;
    for (const auto& m : phase.measurements) {
      text +=
          " " + m.name + " " + m.value.value_or("(none)") + (m.units.empty() ? "" : " " + m.units);
    }
  }
  return text.empty() ? "-" : text;
}

int PrintHistory(results::QueryDatabase& database, const std::string& unit, bool json) {
  const auto history = results::QueryHistory(database, unit);
  if (history.empty()) return NotFound("no run of the unit " + unit + " in the store");
  if (json) {
    PrintJson(HistoryJson(history));
    return kDone;
  }
  TextTable table({{"START (UTC)"},
                   {"OUTCOME"},
                   {"PLAN"},
                   {"REVISION"},
                   {"STATION"},
                   {"OPERATOR"},
                   {"FAILED"}});
  for (const auto& run : history) {
    table.AddRow({run.start, run.outcome + (run.marginal ? " (marginal)" : ""), run.plan,
                  ShortRevision(run.revision), Cell(run.station), run.operator_name.value_or("-"),
                  FailureText(run)});
  }
  table.Print(std::cout);
  return kDone;
}

}  // namespace

int RunHistory(const Shared& shared, const std::string& unit, bool json) {
  return WithDatabase(
      shared, [&](results::QueryDatabase& database) { return PrintHistory(database, unit, json); });
}

}  // namespace quorvane_results
