#include "report/bins.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace report {

Bins MakeBins(std::span<const double> values, std::optional<double> low_limit,
              std::optional<double> high_limit) {
  constexpr double kNone = std::numeric_limits<double>::infinity();
  double low = kNone, high = -kNone;
  std::size_t finite = 0;
  for (const double value : values) {
    if (!std::isfinite(value)) continue;
    low = std::min(low, value);
    high = std::max(high, value);
    ++finite;
  }
  for (const auto& limit : {low_limit, high_limit}) {
    if (limit && std::isfinite(*limit)) {
      low = std::min(low, *limit);
      high = std::max(high, *limit);
    }
  }
  Bins bins;
  const auto count = static_cast<std::size_t>(
      std::clamp(std::ceil(std::sqrt(static_cast<double>(finite))), 5.0, 50.0));
  bins.counts.assign(count, 0);
  if (!std::isfinite(low)) return bins;  // nothing to place
  if (!(high > low)) {
    const double half = low == 0 ? 1 : std::abs(low) * 0.05;
    low -= half;
    high += half;
  }
  bins.low = low;
  bins.width = (high - low) / static_cast<double>(count);
  for (const double value : values) {
    if (!std::isfinite(value)) continue;
    const double at = std::floor((value - low) / bins.width);
    ++bins.counts[std::min(count - 1, static_cast<std::size_t>(std::max(0.0, at)))];
  }
  return bins;
}

}  // namespace report
