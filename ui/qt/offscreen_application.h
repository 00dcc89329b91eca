// The one QApplication of a test or benchmark program, on Qt's offscreen platform with a screen
// like the terminal's (800 × 480 pixels on a 7-inch panel) and the terminal's look: no display is
// needed, yet every widget is laid out and painted for real.
#pragma once

namespace qt_testing {

void EnsureOffscreenApplication();

}  // namespace qt_testing
