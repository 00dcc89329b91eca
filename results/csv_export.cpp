#include "results/csv_export.h"

#include <vector>

namespace results {

namespace {

struct CsvQuery {
  std::vector<const char*> headings;  // one for each column the SQL selects
  const char* sql;                    // runs as `r`, ended by the run filter
};

const CsvQuery& QueryFor(CsvRows rows) {
  static const CsvQuery runs{{"run_id", "unit", "plan", "revision", "station", "operator",
                              "started_at", "ended_at", "outcome", "marginal", "message"},
                             R"sql(
      SELECT r.id, r.unit, r.plan_name, r.plan_revision, r.station, r.operator, r.started_at,
        r.ended_at, r.outcome, r.marginal, r.message
      FROM runs r WHERE )sql"};
  static const CsvQuery measurements{
      {"run_id",      "unit",    "plan",          "revision", "station", "started_at", "phase",
       "measurement", "attempt", "repeat",        "value",    "number",  "units",      "limit_kind",
       "low",         "high",    "marginal_band", "expected", "outcome", "marginal",   "message"},
      R"sql(
      SELECT r.id, r.unit, r.plan_name, r.plan_revision, r.station, r.started_at, p.name, m.name,
        m.attempt, m.repeat, m.value_text, m.value_number, m.units, m.limit_kind, m.low, m.high,
        m.marginal_band, coalesce(m.expected_text, m.expected_number), m.outcome, m.marginal,
        m.message
      FROM runs r JOIN phases p ON p.run_id = r.id JOIN measurements m ON m.phase_id = p.id
      WHERE )sql"};
  return rows == CsvRows::kRuns ? runs : measurements;
}

}  // namespace

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string field = "\"";
  for (const char c : text) {
    field += c;
    if (c == '"') field += '"';
  }
  return field + '"';
}

void ExportCsv(Database& database, CsvRows rows, const RunFilter& filter, std::ostream& out) {
  const CsvQuery& query = QueryFor(rows);
  const std::string order = rows == CsvRows::kRuns ? " ORDER BY r.started_at, r.seq"
                                                   : " ORDER BY r.started_at, r.seq, p.idx, m.idx";
  Statement select(database, (query.sql + std::string(kRunFilterSql) + order).c_str());
  BindRunFilter(select, filter);
  const auto write_line = [&](const auto& field_at) {
    for (std::size_t column = 0; column < query.headings.size(); ++column) {
      if (column > 0) out << ',';
      out << field_at(static_cast<int>(column));
    }
    out << "\r\n";
  };
  write_line([&](int column) { return std::string(query.headings[column]); });
  // SQLite gives a number as its shortest exact text; NULL is an empty field.
  while (select.Step()) write_line([&](int column) { return CsvField(select.Text(column)); });
}

}  // namespace results
