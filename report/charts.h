// The report's charts as inline SVG, each a fixed size, drawn from figures the queries gave:
// yield per station over days, the failure Pareto, a measurement's histogram with its limits and
// marginal band, and its values in the order they were measured as a control chart. A chart of
// many values stays small: past a thousand points the control chart draws each stretch of values
// as the span from its least to its greatest.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "results/pareto_query.h"

namespace report {

struct YieldLine {
  std::string station;
  std::vector<std::optional<double>> yields;  // a share per day of the chart; nothing: no units
};

std::string YieldChart(const std::vector<std::string>& days, const std::vector<YieldLine>& lines);

// Bars numbered 1, 2, ... as the Pareto's table beside it numbers its rows, at most the first 20.
std::string ParetoChart(const std::vector<results::ParetoRow>& rows);

struct Limits {
  std::optional<double> low, high, marginal_band;
};

std::string HistogramChart(std::span<const double> values, const Limits& limits);

// With the mean and, from two values on, the control limits three standard deviations either side.
std::string ControlChart(std::span<const double> values, const Limits& limits);

}  // namespace report
