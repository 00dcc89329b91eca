#include "report/scale.h"

#include <cmath>

namespace report {

LinearScale::LinearScale(double low, double high, double from_pixel, double to_pixel)
    : low_(low), high_(high), from_(from_pixel), to_(to_pixel) {
  if (!(high_ > low_)) {
    const double half = low_ == 0 ? 1 : std::abs(low_) * 0.05;
    low_ -= half;
    high_ += half;
  }
}

double LinearScale::operator()(double value) const {
  return from_ + (value - low_) / (high_ - low_) * (to_ - from_);
}

std::vector<double> NiceTicks(double low, double high, int count) {
  std::vector<double> ticks;
  if (!std::isfinite(low) || !std::isfinite(high) || !(high > low) || count < 1) return ticks;
  const double rough = (high - low) / count;
  const double power = std::pow(10, std::floor(std::log10(rough)));
  double step = 10 * power;
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (factor * power >= rough) {
      step = factor * power;
      break;
    }
  }
  // Counted in whole steps, so that 0.1 + 0.2 never drifts to 0.30000000000000004.
  for (double at = std::ceil(low / step); at * step <= high + step * 1e-9; ++at) {
    ticks.push_back(at * step == 0 ? 0 : at * step);
  }
  return ticks;
}

}  // namespace report
