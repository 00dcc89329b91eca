// The queries on both stores, each on a small set whose answers were worked out by hand: a real
// SQLite file filled through the store, and the same runs forwarded from it to a real PostgreSQL
// database (ctest runs this under pg_virtualenv) made with a language's collation, as a line's
// server usually is. Yield with retested units and filters (a day's end, a pass read as a
// number), one unit's history, a measurement's distribution and Cpk (two-sided, one-sided, no
// limits, no spread), the failure Pareto (texts ordered as bytes, a phase's own failure before
// its measurements) and CSV export of awkward texts and of reals.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "results/csv_export.h"
#include "results/distribution_query.h"
#include "results/history_query.h"
#include "results/line_forward.h"
#include "results/line_queries.h"
#include "results/pareto_query.h"
#include "results/scratch_line_database.h"
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

enum class StoreKind { kStation, kLine };

// Each test fills the station's store, and for the line forwards its runs from there, as a
// station does; the queries then read the store asked for.
class QueryTest : public ::testing::TestWithParam<StoreKind> {
 protected:
  void SetUp() override {
    if (GetParam() == StoreKind::kLine && !ScratchLineDatabase::ServerGiven()) {
      GTEST_SKIP() << ScratchLineDatabase::kNoServer;
    }
  }
  void Fill(const std::vector<StoredRun>& runs) {
    for (const StoredRun& run : runs) store_.Store(run);
    if (GetParam() == StoreKind::kStation) return;
    line_database_.emplace();
    line_.emplace(line_database_->conninfo());
    ASSERT_EQ(ForwardPending(store_, *line_).stored, static_cast<std::int64_t>(runs.size()));
    line_queries_.emplace(*line_);
  }
  QueryDatabase& database() {
    return line_queries_ ? static_cast<QueryDatabase&>(*line_queries_) : store_.queries();
  }

  testing_support::TempDir temp_;
  ResultsStore store_{temp_.path() / "results.sqlite"};
  std::optional<ScratchLineDatabase> line_database_;
  std::optional<LineConnection> line_;
  std::optional<LineQueries> line_queries_;
};

INSTANTIATE_TEST_SUITE_P(BothStores, QueryTest,
                         ::testing::Values(StoreKind::kStation, StoreKind::kLine),
                         [](const auto& kind) {
                           return kind.param == StoreKind::kStation ? "Station" : "Line";
                         });

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

TEST_P(QueryTest, YieldCountsEachUnitInItsFirstRunsGroup) {
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

TEST_P(QueryTest, HistoryListsEveryRunInOrderWithWhatFailed) {
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

TEST_P(QueryTest, DistributionGivesSpreadAndCpkAgainstTheLimitsThereAre) {
  // Two-sided vcc 3.0, 3.2, 3.4 in [2.9, 3.8]: mean 3.2, s 0.2, Cpk min(0.6, 0.3) / 0.6 = 0.5.
  // One-sided icc 4, 6, 6, 4 under 10 on both stations: mean 5, s 2 / sqrt(3), Cpk 5 / 3s.
  // On S2, vcc 3.6 alone.
  const auto run = [](std::string id, std::string station, double vcc, double icc, double flat) {
    return RunOf(id, "U-" + id, station, "2026-12-01T08:00:00.000Z", "PASS",
                 {Phase("power", "PASS",
                        {Measured("vcc", vcc, 2.9, 3.8), Measured("icc", icc, {}, 10),
                         Measured("flat", flat, 0, 2), Measured("raw", flat, {}, {})})});
  };
  Fill({run("a", "S1", 3.0, 4, 1), run("b", "S1", 3.2, 6, 1), run("c", "S1", 3.4, 6, 1),
        run("d", "S2", 3.6, 4, 1)});
  RunFilter s1;
  s1.station = "S1";
  struct Case {
    const char* name;
    RunFilter filter;
    bool by_station;
    std::int64_t count;
    double mean;
    std::optional<double> deviation, cpk;
    const char* no_cpk;
    double minimum, maximum;
  };
  const Case cases[] = {
      {"vcc", s1, false, 3, 3.2, 0.2, 0.5, "", 3.0, 3.4},
      {"icc", RunFilter{{}, {}, {}, "2026-12-01"}, false, 4, 5, 2 / std::sqrt(3.0),
       5 / (2 / std::sqrt(3.0) * 3), "", 4, 6},
      {"flat", s1, false, 3, 1, 0, {}, "no spread", 1, 1},
      {"raw", s1, false, 3, 1, 0, {}, "no limits", 1, 1},
  };
  for (const Case& c : cases) {
    const auto rows = QueryDistribution(database(), c.name, c.filter, c.by_station);
    ASSERT_EQ(rows.size(), 1u) << c.name;
    const DistributionRow& row = rows[0];
    EXPECT_EQ(row.count, c.count) << c.name;
    EXPECT_NEAR(row.mean, c.mean, 1e-12) << c.name;
    ASSERT_EQ(row.deviation.has_value(), c.deviation.has_value()) << c.name;
    if (c.deviation) {
      EXPECT_NEAR(*row.deviation, *c.deviation, 1e-12) << c.name;
    }
    ASSERT_EQ(row.cpk.has_value(), c.cpk.has_value()) << c.name;
    if (c.cpk) {
      EXPECT_NEAR(*row.cpk, *c.cpk, 1e-12) << c.name;
    }
    EXPECT_EQ(row.no_cpk, c.no_cpk) << c.name;
    EXPECT_EQ(std::pair(row.minimum, row.maximum), std::pair(c.minimum, c.maximum)) << c.name;
  }
  const auto by_station = QueryDistribution(database(), "vcc", {}, true);
  ASSERT_EQ(by_station.size(), 2u);
  EXPECT_EQ(by_station[1].station, "S2");
  EXPECT_EQ(by_station[1].no_cpk, "one value");
  EXPECT_TRUE(QueryDistribution(database(), "nothing", {}, false).empty());
}

TEST_P(QueryTest, ParetoCountsFailingRunsMostFirstWithCumulativeShare) {
  // vcc fails in runs a, b and c (twice in a: two attempts, counted once); the USB phase times
  // out in b; icc fails in c; the power phase fails on its own in e; the audio run on S2 is
  // filtered out. The ties come by phase as bytes ("USB" before "power"), a phase's own failure
  // before its measurements'.
  const auto vcc = Measured("vcc", 4, 3, 3.6, "FAIL");
  const auto icc = Measured("icc", 4, {}, 1, "FAIL");
  StoredPhase retried = Phase("power", "FAIL", {vcc, vcc});
  Fill(
      {RunOf("a", "U1", "S1", "2026-12-01T08:00:00.000Z", "FAIL", {retried}),
       RunOf("b", "U2", "S1", "2026-12-01T09:00:00.000Z", "FAIL",
             {Phase("power", "FAIL", {vcc}), Phase("USB", "TIMEOUT"), Phase("storage", "SKIPPED")}),
       RunOf("c", "U3", "S1", "2026-12-01T10:00:00.000Z", "FAIL",
             {Phase("power", "FAIL", {vcc, icc})}),
       RunOf("e", "U5", "S1", "2026-12-01T12:00:00.000Z", "ERROR", {Phase("power", "ERROR")}),
       RunOf("d", "U4", "S2", "2026-12-01T11:00:00.000Z", "FAIL", {Phase("audio", "ERROR")})});
  RunFilter s1;
  s1.station = "S1";
  const std::vector<ParetoRow> expected = {{"power", "vcc", 3, 0.5, 0.5},
                                           {"USB", {}, 1, 1.0 / 6, 4.0 / 6},
                                           {"power", {}, 1, 1.0 / 6, 5.0 / 6},
                                           {"power", "icc", 1, 1.0 / 6, 1.0}};
  EXPECT_EQ(QueryPareto(database(), s1), expected);
}

TEST_P(QueryTest, CsvQuotesOnlyWhatNeedsItAndDoublesQuotes) {
  const std::pair<std::string, std::string> fields[] = {
      {"plain", "plain"},
      {"", ""},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"bare\nfeed", "\"bare\nfeed\""},
      {"승차 ok", "승차 ok"},
  };
  for (const auto& [text, field] : fields) EXPECT_EQ(CsvField(text), field) << text;

  StoredRun awkward = RunOf("a", "T-1, \"A\"", "S1", "2026-12-01T08:00:00.000Z", "FAIL",
                            {Phase("power", "FAIL", {Measured("vcc", 3.9, 3, {}, "FAIL")})});
  awkward.plan_revision.reset();
  awkward.phases[0].measurements[0].message = "3.9 V,\nover 3";
  Fill({awkward, RunOf("b", "U2", "S2", "2026-12-01T09:00:00.000Z", "PASS")});
  std::ostringstream runs, measurements;
  RunFilter s1;
  s1.station = "S1";
  ExportCsv(database(), CsvRows::kRuns, s1, runs);
  EXPECT_EQ(runs.str(),
            "run_id,unit,plan,revision,station,operator,started_at,ended_at,outcome,marginal,"
            "message\r\n"
            "a,\"T-1, \"\"A\"\"\",modem,,S1,Kim,2026-12-01T08:00:00.000Z,"
            "2026-12-01T08:00:00.000Z,FAIL,0,\r\n");
  ExportCsv(database(), CsvRows::kMeasurements, {}, measurements);
  EXPECT_EQ(measurements.str().substr(measurements.str().find("\r\n") + 2),
            "a,\"T-1, \"\"A\"\"\",modem,,S1,2026-12-01T08:00:00.000Z,power,vcc,1,1,3.900000,3.9,"
            "V,range,3.0,,,,FAIL,0,\"3.9 V,\nover 3\"\r\n");
}

// The queries' ?N reach PostgreSQL as $N, declared texts; a ?N inside a literal or a quoted name
// is text, not a parameter.
TEST(PostgresParametersTest, OnlyParametersOutsideQuotesAreRewritten) {
  const std::pair<const char*, const char*> cases[] = {
      {"a = ?1 AND b = ?12", "a = $1::text AND b = $12::text"},
      {"'?1' || \"?2\" || ?3", "'?1' || \"?2\" || $3::text"},
      {"'it''s ?1' = ?1 AND c = '?'", "'it''s ?1' = $1::text AND c = '?'"},
  };
  for (const auto& [sql, postgres] : cases) EXPECT_EQ(PostgresParameters(sql), postgres) << sql;
}

}  // namespace
}  // namespace results
