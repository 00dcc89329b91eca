#include "testing/qt/screenshot_difference.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>
#include <vector>

namespace qt_testing {

namespace {

constexpr int kColourTolerance = 48;  // per channel, of 255
constexpr int kReach = 2;             // pixels a match may lie away
constexpr int kRun = 12;              // unmatched pixels in a row that make an edge
constexpr int kToleratedEdgePixels = 24;
// Share of a control's drawing left unmatched that marks it as missing or redrawn.
constexpr double kControlMismatch = 0.6;

bool Alike(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) <= kColourTolerance &&
         std::abs(qGreen(a) - qGreen(b)) <= kColourTolerance &&
         std::abs(qBlue(a) - qBlue(b)) <= kColourTolerance;
}

bool HasAlikeNearby(const QImage& image, int x, int y, QRgb colour) {
  for (int ny = std::max(0, y - kReach); ny <= std::min(image.height() - 1, y + kReach); ++ny) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(ny));
    for (int nx = std::max(0, x - kReach); nx <= std::min(image.width() - 1, x + kReach); ++nx) {
      if (Alike(line[nx], colour)) return true;
    }
  }
  return false;
}

class Mask {
 public:
  Mask(int width, int height) : width_(width), height_(height), bits_(width * height, false) {}
  int width() const { return width_; }
  int height() const { return height_; }
  bool at(int x, int y) const { return bits_[y * width_ + x]; }
  void set(int x, int y) { bits_[y * width_ + x] = true; }

 private:
  int width_, height_;
  std::vector<bool> bits_;
};

// Pixels of `from` without a match near the same place in `in`.
Mask Unmatched(const QImage& from, const QImage& in) {
  Mask mask(from.width(), from.height());
  for (int y = 0; y < from.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(from.constScanLine(y));
    for (int x = 0; x < from.width(); ++x) {
      if (!HasAlikeNearby(in, x, y, line[x])) mask.set(x, y);
    }
  }
  return mask;
}

// Marks in `edges` the set pixels of `mask` that lie on a run of kRun or more, walking along
// (dx, dy) from each start of a line.
void MarkRuns(const Mask& mask, int dx, int dy, Mask& edges) {
  const int lines = dx != 0 ? mask.height() : mask.width();
  const int length = dx != 0 ? mask.width() : mask.height();
  for (int line = 0; line < lines; ++line) {
    int run = 0;
    for (int step = 0; step <= length; ++step) {
      const int x = dx != 0 ? step : line;
      const int y = dx != 0 ? line : step;
      if (step < length && mask.at(x, y)) {
        ++run;
        continue;
      }
      if (run >= kRun) {
        for (int back = 1; back <= run; ++back) edges.set(x - dx * back, y - dy * back);
      }
      run = 0;
    }
  }
}

int EdgePixels(const Mask& unmatched) {
  Mask edges(unmatched.width(), unmatched.height());
  MarkRuns(unmatched, 1, 0, edges);
  MarkRuns(unmatched, 0, 1, edges);
  int count = 0;
  for (int y = 0; y < edges.height(); ++y) {
    for (int x = 0; x < edges.width(); ++x) count += edges.at(x, y) ? 1 : 0;
  }
  return count;
}

// The pixels in `area` that stand out from the area's commonest colour: what is drawn there.
int DrawnPixels(const QImage& image, const QRect& area, QRgb background) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = area.left(); x <= area.right(); ++x) count += Alike(line[x], background) ? 0 : 1;
  }
  return count;
}

int UnmatchedIn(const Mask& mask, const QRect& area) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) count += mask.at(x, y) ? 1 : 0;
  }
  return count;
}

QRgb CommonestColour(const QImage& image, const QRect& area) {
  std::unordered_map<QRgb, int> counts;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = area.left(); x <= area.right(); ++x) ++counts[line[x]];
  }
  return std::max_element(counts.begin(), counts.end(),
                          [](const auto& a, const auto& b) { return a.second < b.second; })
      ->first;
}

}  // namespace

bool ScreenshotDifference::Tolerable() const {
  return !sizes_differ && edge_pixels <= kToleratedEdgePixels && differing_controls.empty();
}

ScreenshotDifference CompareScreenshots(const QImage& shown, const QImage& reference,
                                        const std::vector<QRect>& controls) {
  ScreenshotDifference difference;
  if (shown.size() != reference.size()) {
    difference.sizes_differ = true;
    return difference;
  }
  const QImage a = shown.convertToFormat(QImage::Format_RGB32);
  const QImage b = reference.convertToFormat(QImage::Format_RGB32);
  const Mask missing_from_shown = Unmatched(b, a);
  difference.edge_pixels = EdgePixels(Unmatched(a, b)) + EdgePixels(missing_from_shown);
  for (const QRect& control : controls) {
    const QRect area = control & b.rect();
    if (area.isEmpty()) continue;
    const int drawn = DrawnPixels(b, area, CommonestColour(b, area));
    if (drawn > 0 && UnmatchedIn(missing_from_shown, area) > kControlMismatch * drawn) {
      difference.differing_controls.push_back(control);
    }
  }
  return difference;
}

}  // namespace qt_testing
