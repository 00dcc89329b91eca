// How far a rendered dialog is from its reference picture, in the pixels of straight edges that
// one picture has and the other lacks. A pixel is unmatched when the other picture has no pixel
// of about its colour within two pixels of the same place; only unmatched pixels that line up in
// a horizontal or vertical run of a dozen or more count. A control moved, resized or missing
// leaves such runs along its frame; text drawn with another hinting or rasteriser shifts glyph
// strokes, which are short and scattered, and so does not count. A control without straight
// edges (a radio button's circle and caption) is judged by its rectangle: it differs when most
// of what the reference draws there has no match.
#pragma once

#include <vector>

#include <QImage>
#include <QRect>

namespace qt_testing {

struct ScreenshotDifference {
  int edge_pixels = 0;  // unmatched pixels on straight runs, of both pictures
  std::vector<QRect> differing_controls;
  bool sizes_differ = false;

  bool Tolerable() const;
};

// `controls`: where the controls lie in both pictures.
ScreenshotDifference CompareScreenshots(const QImage& shown, const QImage& reference,
                                        const std::vector<QRect>& controls);

}  // namespace qt_testing
