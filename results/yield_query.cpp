#include "results/yield_query.h"

namespace results {

std::vector<YieldRow> QueryYield(Database& database, const RunFilter& filter) {
  const std::string sql = std::string(R"sql(
      SELECT plan_name, plan_revision, station, day, count(*), sum(runs),
        sum(outcome = 'PASS'), sum(last_outcome = 'PASS')
      FROM (
        SELECT r.plan_name, r.plan_revision, r.station, substr(r.started_at, 1, 10) AS day,
          r.outcome, last_value(r.outcome) OVER unit_runs AS last_outcome,
          count(*) OVER unit_runs AS runs, row_number() OVER unit_runs AS nth
        FROM runs r WHERE )sql") +
                          kRunFilterSql +
                          R"sql(
        -- One window, so the runs are sorted once: a unit's runs of a plan, oldest first.
        WINDOW unit_runs AS (PARTITION BY r.plan_name, r.unit ORDER BY r.started_at, r.seq
          ROWS BETWEEN UNBOUNDED PRECEDING AND UNBOUNDED FOLLOWING))
      WHERE nth = 1
      GROUP BY plan_name, plan_revision, station, day
      ORDER BY plan_name, plan_revision, station, day)sql";
  Statement select(database, sql.c_str());
  BindRunFilter(select, filter);
  std::vector<YieldRow> rows;
  while (select.Step()) {
    YieldRow& row = rows.emplace_back();
    row.plan = select.Text(0);
    row.revision = select.OptionalText(1);
    row.station = select.Text(2);
    row.day = select.Text(3);
    row.units = select.Integer(4);
    row.runs = select.Integer(5);
    row.first_pass = select.Integer(6);
    row.final_pass = select.Integer(7);
    row.first_pass_yield = static_cast<double>(row.first_pass) / static_cast<double>(row.units);
    row.final_yield = static_cast<double>(row.final_pass) / static_cast<double>(row.units);
  }
  return rows;
}

}  // namespace results
