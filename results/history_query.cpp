#include "results/history_query.h"

namespace results {

namespace {

// Adds to `run` its phases that did not pass or skip, and those holding a failed measurement.
void AddFailures(QueryStatement& select, HistoryRun& run) {
  select.Bind(1, run.id);
  while (select.Step()) {
    const std::string phase = select.Text(0);
    if (run.failed.empty() || run.failed.back().name != phase) {
      run.failed.push_back({phase, select.Text(1), select.Text(2), {}});
    }
    if (!select.IsNull(3)) {
      run.failed.back().measurements.push_back(
          {select.Text(3), select.OptionalText(4), select.Text(5), select.OptionalReal(6),
           select.OptionalReal(7), select.Text(8), select.Integer(9)});
    }
  }
  select.Reset();
}

}  // namespace

std::vector<HistoryRun> QueryHistory(QueryDatabase& database, const std::string& unit) {
  const auto runs = database.Prepare(R"sql(
      SELECT id, plan_name, plan_revision, station, operator, started_at, ended_at, outcome,
        marginal, message
      FROM runs WHERE unit = ?1 ORDER BY started_at, seq)sql");
  // A phase with no failed measurement gives one row with NULL measurement columns.
  const auto failures = database.Prepare(R"sql(
      SELECT p.name, p.outcome, p.message, m.name, m.value_text, m.units, m.low, m.high,
        m.message, m.attempt
      FROM phases p LEFT JOIN measurements m ON m.phase_id = p.id AND m.outcome = 'FAIL'
      WHERE p.run_id = ?1
        AND (p.outcome NOT IN ('PASS', 'SKIPPED') OR m.id IS NOT NULL)
      ORDER BY p.idx, m.idx)sql");
  runs->Bind(1, unit);
  std::vector<HistoryRun> history;
  while (runs->Step()) {
    HistoryRun& run = history.emplace_back();
    run.id = runs->Text(0);
    run.plan = runs->Text(1);
    run.revision = runs->OptionalText(2);
    run.station = runs->Text(3);
    run.operator_name = runs->OptionalText(4);
    run.start = runs->Text(5);
    run.end = runs->Text(6);
    run.outcome = runs->Text(7);
    run.marginal = runs->Integer(8) != 0;
    run.message = runs->Text(9);
    AddFailures(*failures, run);
  }
  return history;
}

}  // namespace results
