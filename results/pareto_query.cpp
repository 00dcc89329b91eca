#include "results/pareto_query.h"

namespace results {

std::vector<ParetoRow> QueryPareto(QueryDatabase& database, const RunFilter& filter) {
  const std::string sql = std::string(R"sql(
      SELECT p.name, m.name, count(DISTINCT r.seq)
      FROM measurements m JOIN phases p ON p.id = m.phase_id JOIN runs r ON r.id = p.run_id
      WHERE m.outcome = 'FAIL' AND )sql") +
                          kRunFilterSql +
                          R"sql(
      GROUP BY p.name, m.name
      UNION ALL
      SELECT p.name, NULL, count(DISTINCT r.seq)
      FROM phases p JOIN runs r ON r.id = p.run_id
      WHERE p.outcome NOT IN ('PASS', 'SKIPPED') AND NOT EXISTS (
          SELECT 1 FROM measurements m WHERE m.phase_id = p.id AND m.outcome = 'FAIL')
        AND )sql" + kRunFilterSql +
                          R"sql(
      GROUP BY p.name
      ORDER BY 3 DESC, 1, 2 NULLS FIRST)sql";
  const auto select = database.Prepare(sql);
  BindRunFilter(*select, filter);
  std::vector<ParetoRow> rows;
  std::int64_t total = 0;
  while (select->Step()) {
    rows.push_back({select->Text(0), select->OptionalText(1), select->Integer(2), 0, 0});
    total += rows.back().failures;
  }
  std::int64_t so_far = 0;
  for (ParetoRow& row : rows) {
    so_far += row.failures;
    row.share = static_cast<double>(row.failures) / static_cast<double>(total);
    row.cumulative = static_cast<double>(so_far) / static_cast<double>(total);
  }
  return rows;
}

}  // namespace results
