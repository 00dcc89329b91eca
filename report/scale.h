// A chart's axis: values mapped linearly onto pixels, and round tick values along it (1, 2 or 5
// times a power of ten), so that a reader sees 3.30 3.35 3.40 and not 3.3127 3.3614.
#pragma once

#include <vector>

namespace report {

class LinearScale {
 public:
  // An empty span of values (`low` == `high`) is widened around it, so every value has a place.
  LinearScale(double low, double high, double from_pixel, double to_pixel);
  double operator()(double value) const;
  double low() const { return low_; }
  double high() const { return high_; }

 private:
  double low_, high_, from_, to_;
};

// Round values within [low, high], about `count` of them, evenly spaced; none for a span that
// is empty or not finite.
std::vector<double> NiceTicks(double low, double high, int count);

}  // namespace report
