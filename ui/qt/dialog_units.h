// Dialog units to screen pixels, as the terminal lays out a dialog template. The template's font
// ("MS Shell Dlg", 9 points) gives the terminal base units of 7 × 13 pixels: four horizontal
// units make one base width, eight vertical units one base height. With them the template's
// 457 × 275 units become the 800 × 447 pixels below the 33-pixel caption bar, which is the whole
// 800 × 480 screen.
#pragma once

#include <QRect>

#include "platform/ports/window_model.h"

namespace ui {

inline constexpr int kBaseUnitX = 7;
inline constexpr int kBaseUnitY = 13;
inline constexpr int kCaptionHeight = 33;
// The template font's size on the terminal's screen (9 points at 96 dots per inch).
inline constexpr int kDialogFontPixels = 12;

// The pixel rectangle of a template rectangle, relative to the dialog's client area. Edges are
// mapped one by one and rounded to the nearest pixel, so neighbouring controls that share an
// edge in units share it in pixels.
QRect DialogUnitsToPixels(const platform::Placement& units);

}  // namespace ui
