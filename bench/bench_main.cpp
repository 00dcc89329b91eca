// The benchmarks' main: as the library's own, except that the exit status is 1 when a benchmark
// reported an error (a missed target, a pane that lost text), so that scripts and CI notice.
#include <benchmark/benchmark.h>

#include <vector>

namespace {

// Hands everything to the reporter that --benchmark_format chose and notes any failed run.
class ErrorNotingReporter final : public benchmark::BenchmarkReporter {
 public:
  explicit ErrorNotingReporter(benchmark::BenchmarkReporter& display) : display_(display) {}

  bool ReportContext(const Context& context) override { return display_.ReportContext(context); }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) failed_ = failed_ || run.error_occurred;
    display_.ReportRuns(runs);
  }
  void Finalize() override { display_.Finalize(); }

  bool failed() const { return failed_; }

 private:
  benchmark::BenchmarkReporter& display_;
  bool failed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // The library owns the default reporter and never frees it.
  ErrorNotingReporter reporter(*benchmark::CreateDefaultDisplayReporter());
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return reporter.failed() ? 1 : 0;
}
