// Whether the dialog has a screen to show on. Qt ends the program when the display it is given
// does not answer, after the board has been built; so the displays the environment names are
// asked first, and where none answers the console runs headless and says why.
#pragma once

#include <string>

namespace ui {

struct ScreenChoice {
  bool windowed = false;
  std::string why_headless;  // without a window: the note for standard error
};

// A set QT_QPA_PLATFORM is taken as it is (a framebuffer, the offscreen platform of tests).
// Otherwise the X server of DISPLAY and the Wayland compositor of WAYLAND_DISPLAY are asked, and
// when only one of them answers, Qt is told to take that one.
ScreenChoice ChooseScreen();

}  // namespace ui
