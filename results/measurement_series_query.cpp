#include "results/measurement_series_query.h"

#include <map>
#include <tuple>

namespace results {

std::vector<std::string> QueryMeasurementNames(QueryDatabase& database, const RunFilter& filter) {
  const std::string sql = std::string(R"sql(
      SELECT DISTINCT m.name
      FROM measurements m JOIN phases p ON p.id = m.phase_id JOIN runs r ON r.id = p.run_id
      WHERE m.value_number IS NOT NULL AND )sql") +
                          kRunFilterSql + " ORDER BY m.name";
  const auto select = database.Prepare(sql);
  BindRunFilter(*select, filter);
  std::vector<std::string> names;
  while (select->Step()) names.push_back(select->Text(0));
  return names;
}

std::vector<MeasurementSeries> QueryMeasurementSeries(QueryDatabase& database,
                                                      const std::string& name,
                                                      const RunFilter& filter) {
  const std::string sql = std::string(R"sql(
      SELECT r.plan_name, m.units,
        CASE WHEN m.limit_kind = 'range' THEN m.low END,
        CASE WHEN m.limit_kind = 'range' THEN m.high END,
        CASE WHEN m.limit_kind = 'range' THEN m.marginal_band END,
        r.started_at, r.unit, m.value_number
      FROM measurements m JOIN phases p ON p.id = m.phase_id JOIN runs r ON r.id = p.run_id
      WHERE m.name = ?5 AND m.value_number IS NOT NULL AND )sql") +
                          kRunFilterSql + " ORDER BY r.started_at, r.seq, p.idx, m.idx";
  const auto select = database.Prepare(sql);
  BindRunFilter(*select, filter);
  select->Bind(5, name);
  using Key = std::tuple<std::string, std::string, std::optional<double>, std::optional<double>>;
  std::map<Key, MeasurementSeries> series;
  while (select->Step()) {
    const Key key{select->Text(0), select->Text(1), select->OptionalReal(2),
                  select->OptionalReal(3)};
    MeasurementSeries& one = series[key];
    std::tie(one.plan, one.units, one.low, one.high) = key;
    one.marginal_band = select->OptionalReal(4);
    one.values.push_back({select->Text(5), select->Text(6), select->Real(7)});
  }
  std::vector<MeasurementSeries> ordered;
  for (auto& [key, one] : series) ordered.push_back(std::move(one));
  return ordered;
}

}  // namespace results
