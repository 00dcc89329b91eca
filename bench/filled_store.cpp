#include "bench/filled_store.h"

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

namespace bench_support {

namespace {

namespace fs = std::filesystem;

constexpr int kStations = 8;
constexpr int kDays = 30;

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

}  // namespace

FilledStore::FilledStore()
    : folder_(fs::temp_directory_path() / ("results_query_bench." + std::to_string(::getpid()))) {
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

FilledStore::~FilledStore() {
  store_.reset();
  fs::remove_all(folder_);
}

FilledStore& Store() {
  static FilledStore store;
  return store;
}

}  // namespace bench_support
