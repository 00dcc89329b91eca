// A histogram's bins: equal widths over the values and the limits they were judged against (so
// that the limits are always on the chart, however far the values keep from them), about the
// square root of the count of them, from 5 to 50. A value that is not finite is left out.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace report {

struct Bins {
  double low = 0;
  double width = 1;
  std::vector<std::int64_t> counts;  // the first bin from `low`; the last takes its upper edge
};

Bins MakeBins(std::span<const double> values, std::optional<double> low_limit,
              std::optional<double> high_limit);

}  // namespace report
