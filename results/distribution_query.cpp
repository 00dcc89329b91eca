#include "results/distribution_query.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace results {

namespace {

// Welford's running mean and sum of squared deviations: one pass, no loss of precision when the
// values sit far from zero (a supply voltage of 12.000 V to the millivolt).
struct Accumulator {
  std::int64_t count = 0;
  double mean = 0, squares = 0, minimum = 0, maximum = 0;
  void Add(double value) {
    minimum = count == 0 ? value : std::min(minimum, value);
    maximum = count == 0 ? value : std::max(maximum, value);
    ++count;
    const double delta = value - mean;
    mean += delta / static_cast<double>(count);
    squares += delta * (value - mean);
  }
};

void SetCpk(DistributionRow& row) {
  if (!row.low && !row.high) {
    row.no_cpk = "no limits";
  } else if (!row.deviation) {
    row.no_cpk = "one value";
  } else if (*row.deviation == 0) {
    row.no_cpk = "no spread";
  } else {
    const double three_sigma = 3 * *row.deviation;
    std::optional<double> cpk;
    if (row.high) cpk = (*row.high - row.mean) / three_sigma;
    if (row.low) cpk = std::min(cpk.value_or(INFINITY), (row.mean - *row.low) / three_sigma);
    row.cpk = cpk;
  }
}

}  // namespace

std::vector<DistributionRow> QueryDistribution(QueryDatabase& database, const std::string& name,
                                               const RunFilter& filter, bool by_station) {
  const std::string sql = std::string(R"sql(
      SELECT r.plan_name, r.station, m.units,
        CASE WHEN m.limit_kind = 'range' THEN m.low END,
        CASE WHEN m.limit_kind = 'range' THEN m.high END, m.value_number
      FROM measurements m JOIN phases p ON p.id = m.phase_id JOIN runs r ON r.id = p.run_id
      WHERE m.name = ?5 AND m.value_number IS NOT NULL AND )sql") +
                          kRunFilterSql;
  const auto select = database.Prepare(sql);
  BindRunFilter(*select, filter);
  select->Bind(5, name);
  using Key = std::tuple<std::string, std::optional<std::string>, std::string,
                         std::optional<double>, std::optional<double>>;
  std::map<Key, Accumulator> groups;
  while (select->Step()) {
    const Key key{select->Text(0), by_station ? select->OptionalText(1) : std::nullopt,
                  select->Text(2), select->OptionalReal(3), select->OptionalReal(4)};
    groups[key].Add(select->Real(5));
  }
  std::vector<DistributionRow> rows;
  for (const auto& [key, values] : groups) {
    DistributionRow& row = rows.emplace_back();
    std::tie(row.plan, row.station, row.units, row.low, row.high) = key;
    row.count = values.count;
    row.mean = values.mean;
    if (values.count > 1) {
      row.deviation = std::sqrt(values.squares / static_cast<double>(values.count - 1));
    }
    row.minimum = values.minimum;
    row.maximum = values.maximum;
    SetCpk(row);
  }
  return rows;
}

}  // namespace results
