// The line's report of a busy line: the report of 100,000 runs of 20 measurements (the store the
// queries' benchmark fills, untimed), timed from the open store to the folder in place. It must
// be written within 30 s; a slower one reports an error.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "bench/filled_store.h"
#include "report/report_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr double kTargetSeconds = 30;

void BM_ReportOf100000Runs(benchmark::State& state) {
  bench_support::FilledStore& filled = bench_support::Store();
  const fs::path out = filled.folder() / "report";
  report::ReportTally tally;
  double slowest = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    tally = report::WriteReport(filled.store().queries(), {out, filled.folder(), {}});
    slowest = std::max(
        slowest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::uintmax_t bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(out)) {
    if (entry.is_regular_file()) bytes += entry.file_size();
  }
  state.counters["unit_pages"] = static_cast<double>(tally.units);
  state.counters["measurement_pages"] = static_cast<double>(tally.measurements);
  state.counters["report_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["slowest_s"] = slowest;
  state.counters["fill_s"] = filled.fill_seconds();
  if (slowest > kTargetSeconds) state.SkipWithError("the report took longer than 30 s");
}

}  // namespace

BENCHMARK(BM_ReportOf100000Runs)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
