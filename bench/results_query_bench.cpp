// The results store's queries on a line's worth of runs: 100,000 runs of 20 measurements each
// (2,000,000 measurement rows) stored in SQLite through the store itself, then the yield, a
// measurement's distribution and the failure Pareto asked of it. Each query must answer within a
// second; a slower one reports an error.
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench/filled_store.h"
#include "results/distribution_query.h"
#include "results/pareto_query.h"
#include "results/yield_query.h"

namespace {

constexpr double kTargetSeconds = 1.0;

// Times `query` and reports an error when one answer took longer than the target.
template <typename Query>
void TimeQuery(benchmark::State& state, Query query) {
  bench_support::FilledStore& store = bench_support::Store();
  double slowest = 0;
  std::size_t rows = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    rows = query(store.queries()).size();
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
  TimeQuery(state, [](results::QueryDatabase& db) { return results::QueryYield(db, {}); });
}

void BM_YieldOfOneStation(benchmark::State& state) {
  results::RunFilter filter;
  filter.station = "line-3";
  TimeQuery(state, [&](results::QueryDatabase& db) { return results::QueryYield(db, filter); });
}

void BM_Distribution(benchmark::State& state) {
  TimeQuery(state, [](results::QueryDatabase& db) {
    return results::QueryDistribution(db, "power-m3", {}, false);
  });
}

void BM_DistributionByStation(benchmark::State& state) {
  TimeQuery(state, [](results::QueryDatabase& db) {
    return results::QueryDistribution(db, "power-m3", {}, true);
  });
}

void BM_Pareto(benchmark::State& state) {
  TimeQuery(state, [](results::QueryDatabase& db) { return results::QueryPareto(db, {}); });
}

}  // namespace

BENCHMARK(BM_Yield)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_YieldOfOneStation)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Distribution)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DistributionByStation)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Pareto)->Unit(benchmark::kMillisecond)->Iterations(5);
