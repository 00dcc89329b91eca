// The line's report of a busy line: 100,000 runs of 20 measurements in the station's SQLite store
// (written first, untimed), then `report` timed from the open store to the folder in place.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "bench/line_store.h"
#include "report/report_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr double kTargetSeconds = 30;

void BM_ReportOf100000Runs(benchmark::State& state) {
  const fs::path folder = fs::temp_directory_path() / "quorvane-report-bench";
  fs::remove_all(folder);
  fs::create_directories(folder);
  bench_support::WriteLineStore(folder / "results.sqlite", static_cast<int>(state.range(0)));
  results::ResultsStore store(folder / "results.sqlite");
  report::ReportTally tally;
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    tally = report::WriteReport(store, {folder / "report", folder, {}});
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  std::uintmax_t bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder / "report")) {
    if (entry.is_regular_file()) bytes += entry.file_size();
  }
  state.counters["unit_pages"] = static_cast<double>(tally.units);
  state.counters["measurement_pages"] = static_cast<double>(tally.measurements);
  state.counters["report_MB"] = static_cast<double>(bytes) / 1e6;
  fs::remove_all(folder);
  if (seconds > kTargetSeconds) state.SkipWithError("the report took more than 30 s");
}
BENCHMARK(BM_ReportOf100000Runs)->Arg(100000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
