#include "bench/line_store.h"

#include <cstdio>
#include <random>
#include <string>

#include "results/store.h"

namespace bench_support {

namespace {

constexpr int kPhases = 4;
constexpr int kStations = 4;
constexpr int kDays = 30;

// "2026-11-DD" style days from 2026-11-01 on, and a time in the day from the run's number.
std::string Start(int run, int runs) {
  const int day = run * kDays / runs;
  const int second = (run * 7) % 86400;
  char text[40];
  std::snprintf(text, sizeof text, "2026-%02d-%02dT%02d:%02d:%02d.000Z", 11 + day / 30,
                1 + day % 30, second / 3600, second / 60 % 60, second % 60);
  return text;
}

results::StoredMeasurement Measure(int index, std::mt19937& random) {
  results::StoredMeasurement m;
  m.name = "m" + std::to_string(index / 5) + "." + std::to_string(index % 5);
  const double middle = 1.0 + index, half = 0.1 * (1 + index % 3);
  std::normal_distribution<double> spread(middle, half / 2.9);  // Cpk of about 1
  const double value = spread(random);
  m.number = value;
  m.value = std::to_string(value);
  m.units = index % 2 == 0 ? "V" : "mA";
  m.limit_kind = "range";
  m.low = middle - half;
  m.high = middle + half;
  m.marginal_band = half / 10;
  m.outcome = value < *m.low || value > *m.high ? "FAIL" : "PASS";
  return m;
}

}  // namespace

void WriteLineStore(const std::filesystem::path& file, int runs) {
  results::ResultsStore store(file);
  // A benchmark's scratch store: losing it to a crash costs nothing, waiting for the disk does.
  store.database().Execute("PRAGMA synchronous = OFF");
  std::mt19937 random(20261210);
  int unit = 0;
  for (int number = 0; number < runs; ++number) {
    results::StoredRun run;
    run.id = "bench" + std::to_string(number);
    // Every twentieth run retests the unit before it.
    run.unit = "U-" + std::to_string(number % 20 == 19 ? unit : ++unit);
    run.plan_name = "board-check";
    run.plan_file = "board-check.toml";
    run.plan_revision = "sha256:0123456789abcdef";
    run.station = "station-" + std::to_string(number % kStations + 1);
    run.console_version = "1.0";
    run.start = Start(number, runs);
    run.end = run.start;
    run.record_file = run.unit + ".json";
    run.outcome = "PASS";
    for (int phase_index = 0; phase_index < kPhases; ++phase_index) {
      results::StoredPhase& phase = run.phases.emplace_back();
      phase.name = "phase " + std::to_string(phase_index);
      phase.attempts = 1;
      phase.outcome = "PASS";
      for (int m = 0; m < kMeasurementsPerRun / kPhases; ++m) {
        phase.measurements.push_back(Measure(phase_index * 5 + m, random));
        if (phase.measurements.back().outcome == "FAIL") phase.outcome = run.outcome = "FAIL";
      }
    }
    store.Store(run);
  }
}

}  // namespace bench_support
