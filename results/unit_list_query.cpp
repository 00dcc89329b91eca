#include "results/unit_list_query.h"

namespace results {

std::vector<UnitSummary> QueryUnits(Database& database, const RunFilter& filter) {
  const std::string sql = std::string(R"sql(
      SELECT unit, runs, started_at, outcome FROM (
        SELECT r.unit, r.started_at, r.outcome,
          count(*) OVER (PARTITION BY r.unit) AS runs,
          row_number() OVER (PARTITION BY r.unit ORDER BY r.started_at DESC, r.seq DESC) AS nth
        FROM runs r WHERE )sql") +
                          kRunFilterSql + R"sql()
      WHERE nth = 1 ORDER BY CAST(unit AS BLOB))sql";
  Statement select(database, sql.c_str());
  BindRunFilter(select, filter);
  std::vector<UnitSummary> units;
  while (select.Step()) {
    units.push_back({select.Text(0), select.Integer(1), select.Text(2), select.Text(3)});
  }
  return units;
}

}  // namespace results
