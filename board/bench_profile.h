// The board profile's [bench] section: the faults each of the simulated bench's instruments
// shows, in a table of its own ([bench.supply], [bench.meter], [bench.relay]). Checked as the rest
// of the profile is: an unknown instrument or setting, a value of the wrong kind or out of range
// stops start-up with its line.
#pragma once

#include <toml++/toml.h>

#include "sim/bench_settings.h"

namespace board {

inline constexpr std::int64_t kMostAnswerDelayMs = 60'000;
inline constexpr double kMostExtraLoadAmps = 10.0;
inline constexpr std::size_t kMostIdentityBytes = 200;

// Throws platform::TomlSettingError.
sim::BenchSettings ReadBenchProfile(const toml::node& bench);

}  // namespace board
