// A line's worth of runs in a results store, for the benchmarks of what reads it: 100,000 runs of
// 20 measurements each (2,000,000 measurement rows) on eight stations over thirty days, stored
// through the store itself, filled once for every benchmark of a program and removed when it
// ends.
#pragma once

#include <filesystem>
#include <memory>

#include "results/store.h"

namespace bench_support {

inline constexpr int kRuns = 100'000;

class FilledStore {
 public:
  FilledStore();
  ~FilledStore();
  FilledStore(const FilledStore&) = delete;
  FilledStore& operator=(const FilledStore&) = delete;

  results::ResultsStore& store() { return *store_; }
  results::QueryDatabase& queries() { return store_->queries(); }
  const std::filesystem::path& folder() const { return folder_; }
  double fill_seconds() const { return fill_seconds_; }

 private:
  std::filesystem::path folder_;
  std::unique_ptr<results::ResultsStore> store_;
  double fill_seconds_ = 0;
};

// The program's store, filled on first use.
FilledStore& Store();

}  // namespace bench_support
