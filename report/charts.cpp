#include "report/charts.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "report/bins.h"
#include "report/html.h"
#include "report/scale.h"

namespace report {

namespace {

constexpr double kWidth = 760, kHeight = 260;
constexpr double kLeft = 56, kRight = 150, kTop = 12, kBottom = 34;
constexpr double kPlotRight = kWidth - kRight, kPlotBottom = kHeight - kBottom;
constexpr const char* kColours[] = {"#1f5fa8", "#d9731a", "#2a8c3c", "#8e44ad",
                                    "#b3261e", "#138d90", "#7a5c1e", "#555555"};
constexpr std::size_t kMostPoints = 1000;

std::string Px(double value) { return Fixed(value, 1); }

std::string Line(double x1, double y1, double x2, double y2, const std::string& style) {
  return "<line x1=\"" + Px(x1) + "\" y1=\"" + Px(y1) + "\" x2=\"" + Px(x2) + "\" y2=\"" + Px(y2) +
         "\" " + style + "/>\n";
}

std::string Rect(double x, double y, double width, double height, const std::string& style) {
  return "<rect x=\"" + Px(x) + "\" y=\"" + Px(y) + "\" width=\"" + Px(std::max(0.0, width)) +
         "\" height=\"" + Px(std::max(0.0, height)) + "\" " + style + "/>\n";
}

std::string Text(double x, double y, const std::string& text, const char* anchor = "start") {
  return "<text x=\"" + Px(x) + "\" y=\"" + Px(y) + "\" text-anchor=\"" + anchor + "\">" +
         Escape(text) + "</text>\n";
}

std::string Open(const std::string& label) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Px(kWidth) + "\" height=\"" +
         Px(kHeight) + "\" viewBox=\"0 0 " + Px(kWidth) + " " + Px(kHeight) +
         "\" role=\"img\" aria-label=\"" + Escape(label) + "\">\n" +
         Line(kLeft, kPlotBottom, kPlotRight, kPlotBottom, "stroke=\"#888\"") +
         Line(kLeft, kTop, kLeft, kPlotBottom, "stroke=\"#888\"");
}

// Grid lines and labels along the value axis.
std::string ValueAxis(const LinearScale& y, int decimals, const std::string& suffix = "") {
  std::string svg;
  for (const double tick : NiceTicks(y.low(), y.high(), 5)) {
    svg += Line(kLeft, y(tick), kPlotRight, y(tick), "stroke=\"#eee\"");
    svg += Text(kLeft - 4, y(tick) + 4, Fixed(tick, decimals) + suffix, "end");
  }
  return svg;
}

// Enough decimals to tell the ticks of a span apart.
int DecimalsFor(double low, double high) {
  const double span = high - low;
  if (!(span > 0)) return 2;
  return std::clamp(static_cast<int>(std::ceil(-std::log10(span / 5))), 0, 9);
}

std::string LegendEntry(std::size_t index, const std::string& name, const char* colour) {
  const double y = kTop + 14 + static_cast<double>(index) * 16;
  return Rect(kPlotRight + 12, y - 9, 10, 10, std::string("fill=\"") + colour + "\"") +
         Text(kPlotRight + 28, y, name);
}

std::string LimitLines(const LinearScale& scale, const Limits& limits, bool vertical) {
  std::string svg;
  const auto at = [&](double value, const char* style) {
    return vertical ? Line(scale(value), kTop, scale(value), kPlotBottom, style)
                    : Line(kLeft, scale(value), kPlotRight, scale(value), style);
  };
  const auto band = [&](double from, double to) {
    const double a = scale(from), b = scale(to);
    return vertical ? Rect(std::min(a, b), kTop, std::abs(b - a), kPlotBottom - kTop,
                           "fill=\"#f5c04a\" fill-opacity=\"0.35\"")
                    : Rect(kLeft, std::min(a, b), kPlotRight - kLeft, std::abs(b - a),
                           "fill=\"#f5c04a\" fill-opacity=\"0.35\"");
  };
  const double width = limits.marginal_band.value_or(0);
  if (limits.low && width > 0) svg += band(*limits.low, *limits.low + width);
  if (limits.high && width > 0) svg += band(*limits.high - width, *limits.high);
  if (limits.low) svg += at(*limits.low, "stroke=\"#b3261e\" stroke-width=\"2\"");
  if (limits.high) svg += at(*limits.high, "stroke=\"#b3261e\" stroke-width=\"2\"");
  return svg;
}

std::vector<double> Finite(std::span<const double> values) {
  std::vector<double> kept;
  std::copy_if(values.begin(), values.end(), std::back_inserter(kept),
               [](double value) { return std::isfinite(value); });
  return kept;
}

}  // namespace

std::string YieldChart(const std::vector<std::string>& days, const std::vector<YieldLine>& lines) {
  std::string svg = Open("first-pass yield per station and day");
  const LinearScale y(0, 1, kPlotBottom, kTop);
  for (const double tick : {0.0, 0.25, 0.5, 0.75, 1.0}) {
    svg += Line(kLeft, y(tick), kPlotRight, y(tick), "stroke=\"#eee\"");
    svg += Text(kLeft - 4, y(tick) + 4, Fixed(tick * 100, 0) + " %", "end");
  }
  const double step =
      days.size() > 1 ? (kPlotRight - kLeft - 20) / static_cast<double>(days.size() - 1) : 0;
  const auto x = [&](std::size_t day) {
    return days.size() > 1 ? kLeft + 10 + step * static_cast<double>(day)
                           : (kLeft + kPlotRight) / 2;
  };
  const std::size_t label_every = std::max<std::size_t>(1, days.size() / 8);
  for (std::size_t day = 0; day < days.size(); day += label_every) {
    svg += Text(x(day), kPlotBottom + 16, days[day], "middle");
  }
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const char* colour = kColours[index % std::size(kColours)];
    std::string points;
    for (std::size_t day = 0; day < lines[index].yields.size() && day < days.size(); ++day) {
      const auto share = lines[index].yields[day];
      if (!share) continue;
      points += Px(x(day)) + "," + Px(y(*share)) + " ";
      svg += "<circle cx=\"" + Px(x(day)) + "\" cy=\"" + Px(y(*share)) + "\" r=\"3\" fill=\"" +
             colour + "\"/>\n";
    }
    svg += "<polyline fill=\"none\" stroke=\"" + std::string(colour) +
           "\" stroke-width=\"2\" points=\"" + points + "\"/>\n";
    svg += LegendEntry(index, lines[index].station, colour);
  }
  return svg + "</svg>\n";
}

std::string ParetoChart(const std::vector<results::ParetoRow>& rows) {
  std::string svg = Open("failure Pareto");
  const std::size_t shown = std::min<std::size_t>(rows.size(), 20);
  std::int64_t most = 1;
  for (std::size_t index = 0; index < shown; ++index) most = std::max(most, rows[index].failures);
  const LinearScale y(0, static_cast<double>(most), kPlotBottom, kTop);
  const LinearScale share(0, 1, kPlotBottom, kTop);
  for (const double tick : NiceTicks(0, static_cast<double>(most), 5)) {
    if (tick != std::floor(tick)) continue;
    svg += Line(kLeft, y(tick), kPlotRight, y(tick), "stroke=\"#eee\"");
    svg += Text(kLeft - 4, y(tick) + 4, Fixed(tick, 0), "end");
  }
  svg += Text(kPlotRight + 6, share(1) + 4, "100 %") + Text(kPlotRight + 6, share(0.5) + 4, "50 %");
  const double slot = (kPlotRight - kLeft) / static_cast<double>(std::max<std::size_t>(shown, 1));
  std::string cumulative;
  for (std::size_t index = 0; index < shown; ++index) {
    const double left = kLeft + slot * static_cast<double>(index);
    const double top = y(static_cast<double>(rows[index].failures));
    svg += Rect(left + slot * 0.15, top, slot * 0.7, kPlotBottom - top, "fill=\"#b3261e\"");
    svg += Text(left + slot / 2, kPlotBottom + 16, std::to_string(index + 1), "middle");
    cumulative += Px(left + slot / 2) + "," + Px(share(rows[index].cumulative)) + " ";
  }
  svg += "<polyline fill=\"none\" stroke=\"#1f5fa8\" stroke-width=\"2\" points=\"" + cumulative +
         "\"/>\n";
  return svg + "</svg>\n";
}

std::string HistogramChart(std::span<const double> values, const Limits& limits) {
  const Bins bins = MakeBins(values, limits.low, limits.high);
  const double span = bins.width * static_cast<double>(bins.counts.size());
  const LinearScale x(bins.low - span * 0.05, bins.low + span * 1.05, kLeft, kPlotRight);
  const std::int64_t most = std::max<std::int64_t>(
      1, bins.counts.empty() ? 1 : *std::max_element(bins.counts.begin(), bins.counts.end()));
  const LinearScale y(0, static_cast<double>(most), kPlotBottom, kTop);
  std::string svg = Open("histogram");
  svg += LimitLines(x, limits, true);
  for (std::size_t bin = 0; bin < bins.counts.size(); ++bin) {
    const double from = bins.low + bins.width * static_cast<double>(bin);
    const double top = y(static_cast<double>(bins.counts[bin]));
    svg += Rect(x(from) + 0.5, top, x(from + bins.width) - x(from) - 1, kPlotBottom - top,
                "fill=\"#1f5fa8\"");
  }
  const int decimals = DecimalsFor(x.low(), x.high());
  for (const double tick : NiceTicks(x.low(), x.high(), 6)) {
    svg += Text(x(tick), kPlotBottom + 16, Fixed(tick, decimals), "middle");
  }
  for (const double tick : NiceTicks(0, static_cast<double>(most), 4)) {
    if (tick == std::floor(tick)) svg += Text(kLeft - 4, y(tick) + 4, Fixed(tick, 0), "end");
  }
  svg += LegendEntry(0, "values", "#1f5fa8");
  if (limits.low || limits.high) svg += LegendEntry(1, "limits", "#b3261e");
  if (limits.marginal_band.value_or(0) > 0) svg += LegendEntry(2, "marginal band", "#f5c04a");
  return svg + "</svg>\n";
}

std::string ControlChart(std::span<const double> all_values, const Limits& limits) {
  const std::vector<double> values = Finite(all_values);
  const double count = static_cast<double>(values.size());
  const double mean =
      values.empty() ? 0 : std::accumulate(values.begin(), values.end(), 0.0) / count;
  double squares = 0;
  for (const double value : values) squares += (value - mean) * (value - mean);
  // The control limits need a spread, so two values at least.
  const bool limited = values.size() > 1;
  const double sigma = limited ? std::sqrt(squares / (count - 1)) : 0;

  double low = mean, high = mean;
  for (const double value : values) low = std::min(low, value), high = std::max(high, value);
  for (const auto& edge : {limits.low, limits.high}) {
    if (edge && std::isfinite(*edge)) low = std::min(low, *edge), high = std::max(high, *edge);
  }
  low = std::min(low, mean - 3 * sigma), high = std::max(high, mean + 3 * sigma);
  const double pad = (high - low) * 0.05;
  const LinearScale y(low - pad, high + pad, kPlotBottom, kTop);
  const LinearScale x(0, std::max(1.0, count - 1), kLeft + 6, kPlotRight - 6);

  std::string svg = Open("control chart");
  svg += ValueAxis(y, DecimalsFor(y.low(), y.high()));
  svg += LimitLines(y, limits, false);
  svg += Line(kLeft, y(mean), kPlotRight, y(mean), "stroke=\"#2a8c3c\" stroke-width=\"2\"");
  if (limited) {
    for (const double edge : {mean - 3 * sigma, mean + 3 * sigma}) {
      svg +=
          Line(kLeft, y(edge), kPlotRight, y(edge), "stroke=\"#2a8c3c\" stroke-dasharray=\"6 4\"");
    }
  }
  // Drawn over the mean, so that values all equal to it still show. Each stretch of values is drawn
  // as one mark, at most kMostPoints of them.
  const std::size_t stretch =
      std::max<std::size_t>(1, (values.size() + kMostPoints - 1) / kMostPoints);
  std::string points;
  for (std::size_t from = 0; from < values.size(); from += stretch) {
    const std::size_t to = std::min(values.size(), from + stretch);
    const auto [least, most] =
        std::minmax_element(values.begin() + static_cast<std::ptrdiff_t>(from),
                            values.begin() + static_cast<std::ptrdiff_t>(to));
    const double at = x(static_cast<double>(from + to - 1) / 2);
    if (stretch == 1) {
      points += Px(at) + "," + Px(y(*least)) + " ";
    } else {
      svg += Line(at, y(*least), at, y(*most), "stroke=\"#1f5fa8\"");
    }
  }
  if (!points.empty()) {
    svg += "<polyline fill=\"none\" stroke=\"#1f5fa8\" stroke-width=\"1\" points=\"" + points +
           "\"/>\n";
  }
  svg += Text((kLeft + kPlotRight) / 2, kPlotBottom + 16,
              "values in the order measured (" + std::to_string(values.size()) + ")", "middle");
  svg += LegendEntry(0, "values", "#1f5fa8");
  svg += LegendEntry(1, "mean", "#2a8c3c");
  if (limited) svg += LegendEntry(2, "mean ± 3σ", "#2a8c3c");
  if (limits.low || limits.high) svg += LegendEntry(3, "limits", "#b3261e");
  if (limits.marginal_band.value_or(0) > 0) svg += LegendEntry(4, "marginal band", "#f5c04a");
  return svg + "</svg>\n";
}

}  // namespace report
