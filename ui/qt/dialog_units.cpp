#include "ui/qt/dialog_units.h"

namespace ui {

namespace {

// value × numerator / denominator, rounded half away from zero.
int ScaleRounded(int value, int numerator, int denominator) {
  const long long scaled = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(scaled >= 0 ? (scaled + half) / denominator
                                      : -((-scaled + half) / denominator));
}

}  // namespace

QRect DialogUnitsToPixels(const platform::Placement& units) {
  const int left = ScaleRounded(units.x, kBaseUnitX, 4);
  const int top = ScaleRounded(units.y, kBaseUnitY, 8);
  const int right = ScaleRounded(units.x + units.cx, kBaseUnitX, 4);
  const int bottom = ScaleRounded(units.y + units.cy, kBaseUnitY, 8);
  return QRect(left, top, right - left, bottom - top);
}

}  // namespace ui
