#include "results/csv_export.h"

#include <vector>

namespace results {

namespace {

struct CsvQuery {
  std::vector<const char*> headings;  // one for each column the SQL selects, but see `either`
  const char* sql;                    // runs as `r`, ended by the run filter
  // The field (by its heading's index) that two columns give: the first's text, or the second's
  // when the first is NULL. An expected value is a text or a number, which the two databases
  // would not coalesce into one type alike.
  int either = -1;
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
        m.marginal_band, m.expected_text, m.expected_number, m.outcome, m.marginal, m.message
      FROM runs r JOIN phases p ON p.run_id = r.id JOIN measurements m ON m.phase_id = p.id
      WHERE )sql",
      17};
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

void ExportCsv(QueryDatabase& database, CsvRows rows, const RunFilter& filter, std::ostream& out) {
  const CsvQuery& query = QueryFor(rows);
  const std::string order = rows == CsvRows::kRuns ? " ORDER BY r.started_at, r.seq"
                                                   : " ORDER BY r.started_at, r.seq, p.idx, m.idx";
  const auto select = database.Prepare(query.sql + std::string(kRunFilterSql) + order);
  BindRunFilter(*select, filter);
  const auto write_line = [&](const auto& field_at) {
    for (std::size_t field = 0; field < query.headings.size(); ++field) {
      if (field > 0) out << ',';
      out << field_at(static_cast<int>(field));
    }
    out << "\r\n";
  };
  write_line([&](int field) { return std::string(query.headings[field]); });
  // A real is its shortest exact text (RealText); NULL is an empty field.
  while (select->Step()) {
    int column = 0;  // the fields are asked for in order
    write_line([&](int field) {
      const bool either = field == query.either;
      const int taken = either && select->IsNull(column) ? column + 1 : column;
      column += either ? 2 : 1;
      return CsvField(select->Text(taken));
    });
  }
}

}  // namespace results
