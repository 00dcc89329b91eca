// A line's worth of runs in a results store, for the benchmarks of what reads it: `runs` runs of
// one plan on four stations over thirty days, four phases of five measurements each (values
// spread about their limits' middle, about one in two hundred outside them), one unit in twenty
// retested. The same store for the same count on every machine (a fixed seed).
#pragma once

#include <filesystem>

namespace bench_support {

inline constexpr int kMeasurementsPerRun = 20;

// Writes the store as `file`, which must not be there yet.
void WriteLineStore(const std::filesystem::path& file, int runs);

}  // namespace bench_support
