// The results store's queries on a line's worth of runs: 100,000 runs of 20 measurements each
// (2,000,000 measurement rows) stored in SQLite through the store itself, then the yield, a
// measurement's distribution and the failure Pareto asked of it. Each query must answer within a
// second; a slower one reports an error.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include <unistd.h>

#include "results/distribution_query.h"
#include "results/pareto_query.h"
#include "results/store.h"
#include "results/yield_query.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRuns = 100'000;
constexpr int kStations = 8;
constexpr int kDays = 30;
constexpr double kTargetSeconds = 1.0;

// Two phases of ten measurements; about 3 % of the runs fail one, and their units come back.
results::StoredRun MadeRun(int index, std::mt19937& random) {
  std::normal_distribution<double> noise(0, 0.05);
  std::uniform_real_distribution<double> chance(0, 1);
  results::StoredRun run;
  run.id = "run-" + std::to_string(index);
  const int unit = index - index / 20;  // every 20th run is a retest of the unit before it
  run.unit = "T-" + std::to_string(unit);
  run.plan_name = index % 4 == 0 ? "audio" : "modem";
  run.plan_file = "plans/" + run.plan_name + ".toml";
  run.plan_revision = "sha256:r1";
  run.station = "line-" + std::to_string(index % kStations);
  run.operator_name = "Kim";
  run.console_version = "0.1.0";
  const int minute = static_cast<int>(std::int64_t{index} * (kDays * 24 * 60) / kRuns);
  char start[32];
  std::snprintf(start, sizeof start, "2026-11-%02dT%02d:%02d:00.000Z", 1 + minute / 1440,
                minute / 60 % 24, minute % 60);
  run.start = run.end = start;
  run.outcome = "PASS";
  run.record_file = run.id + ".json";
  for (const char* phase_name : {"power", "modem"}) {
    results::StoredPhase& phase = run.phases.emplace_back();
    phase.name = phase_name;
    phase.outcome = "PASS";
    phase.attempts = phase.repeats = 1;
    for (int m = 0; m < 10; ++m) {
      results::StoredMeasurement measured;
      measured.name = phase.name + "-m" + std::to_string(m);
      measured.number = 3.3 + noise(random);
      measured.value = std::to_string(*measured.number);
      measured.units = "V";
      measured.limit_kind = "range";
      measured.low = 3.0;
      measured.high = 3.6;
      measured.outcome = chance(random) < 0.0015 ? "FAIL" : "PASS";
      if (measured.outcome == "FAIL") phase.outcome = run.outcome = "FAIL";
      phase.measurements.push_back(std::move(measured));
    }
  }
  return run;
}

// The store, filled once for every benchmark and removed when the program ends.
class FilledStore {
 public:
  FilledStore() : folder_(fs::temp_directory_path() / ("results_query_bench." + Pid())) {
    fs::create_directories(folder_);
    store_ = std::make_unique<results::ResultsStore>(folder_ / results::kStoreFileName);
    // Filling is setup, not what is measured: no wait for the disk after each run.
    store_->database().Execute("PRAGMA synchronous = OFF");
    std::mt19937 random(42);
    const auto start = std::chrono::steady_clock::now();
    for (int index = 0; index < kRuns; ++index) store_->Store(MadeRun(index, random));
    fill_seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    store_->database().Execute("PRAGMA wal_checkpoint(TRUNCATE)");
  }
  ~FilledStore() {
    store_.reset();
    fs::remove_all(folder_);
  }
  results::Database& database() { return store_->database(); }
  double fill_seconds() const { return fill_seconds_; }

 private:
  static std::string Pid() { return std::to_string(::getpid()); }
  fs::path folder_;
  std::unique_ptr<results::ResultsStore> store_;
  double fill_seconds_ = 0;
};

FilledStore& Store() {
  static FilledStore store;
  return store;
}

// Times `query` and reports an error when one answer took longer than the target.
template <typename Query>
void TimeQuery(benchmark::State& state, Query query) {
  FilledStore& store = Store();
  double slowest = 0;
  std::size_t rows = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    rows = query(store.database()).size();
    slowest = std::max(
        slowest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["slowest_ms"] = slowest * 1e3;
  state.counters["fill_s"] = store.fill_seconds();
  if (rows == 0) state.SkipWithError("the query found nothing");
  if (slowest > kTargetSeconds) state.SkipWithError("a query took longer than 1 s");
}

void BM_Yield(benchmark::State& state) {
  TimeQuery(state, [](results::Database& db) { return results::QueryYield(db, {}); });
}

void BM_YieldOfOneStation(benchmark::State& state) {
  results::RunFilter filter;
  filter.station = "line-3";
  TimeQuery(state, [&](results::Database& db) { return results::QueryYield(db, filter); });
}

void BM_Distribution(benchmark::State& state) {
  TimeQuery(state, [](results::Database& db) {
    return results::QueryDistribution(db, "power-m3", {}, false);
  });
}

void BM_DistributionByStation(benchmark::State& state) {
  TimeQuery(state, [](results::Database& db) {
    return results::QueryDistribution(db, "power-m3", {}, true);
  });
}

void BM_Pareto(benchmark::State& state) {
  TimeQuery(state, [](results::Database& db) { return results::QueryPareto(db, {}); });
}

}  // namespace

BENCHMARK(BM_Yield)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_YieldOfOneStation)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Distribution)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DistributionByStation)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Pareto)->Unit(benchmark::kMillisecond)->Iterations(5);
