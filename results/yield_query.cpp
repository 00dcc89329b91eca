#include "results/yield_query.h"

#include <map>
#include <tuple>

namespace results {

namespace {

// The runs in order of plan, unit and start, so that each unit's runs of a plan come together,
// oldest first; the counting is one pass over them.
std::string YieldSql() {
  return std::string(R"sql(
      SELECT r.plan_name, r.unit, r.plan_revision, r.station, substr(r.started_at, 1, 10),
        CASE WHEN r.outcome = 'PASS' THEN 1 ELSE 0 END
      FROM runs r WHERE )sql") +
         kRunFilterSql + " ORDER BY r.plan_name, r.unit, r.started_at, r.seq";
}

using GroupKey = std::tuple<std::string, std::optional<std::string>, std::string, std::string>;

}  // namespace

std::vector<YieldRow> QueryYield(QueryDatabase& database, const RunFilter& filter) {
  const auto select = database.Prepare(YieldSql());
  BindRunFilter(*select, filter);
  std::map<GroupKey, YieldRow> groups;
  YieldRow* group = nullptr;  // the group of the unit being read, by its first run
  std::string plan, unit;
  bool last_passed = false;
  const auto end_unit = [&] {
    if (group) group->final_pass += last_passed ? 1 : 0;
  };
  while (select->Step()) {
    const bool passed = select->Integer(5) != 0;
    if (!group || select->Text(0) != plan || select->Text(1) != unit) {
      end_unit();
      plan = select->Text(0);
      unit = select->Text(1);
      group = &groups[{plan, select->OptionalText(2), select->Text(3), select->Text(4)}];
      ++group->units;
      group->first_pass += passed ? 1 : 0;
    }
    ++group->runs;
    last_passed = passed;
  }
  end_unit();
  std::vector<YieldRow> rows;
  for (auto& [key, row] : groups) {
    std::tie(row.plan, row.revision, row.station, row.day) = key;
    row.first_pass_yield = static_cast<double>(row.first_pass) / static_cast<double>(row.units);
    row.final_yield = static_cast<double>(row.final_pass) / static_cast<double>(row.units);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace results
