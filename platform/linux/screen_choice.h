// Whether there is a screen to show windows on: the console's dialog, the plan tool's prompts. Qt
// ends the program when the display it is given does not answer, so the displays the environment
// names are asked before Qt starts, and where none answers the program goes without a window and
// says why.
#pragma once

#include <string>

namespace platform {

struct ScreenChoice {
  bool windowed = false;
  std::string why_headless;  // without a window: the note for standard error
};

// A set QT_QPA_PLATFORM is taken as it is (a framebuffer, the offscreen platform of tests).
// Otherwise the X server of DISPLAY and the Wayland compositor of WAYLAND_DISPLAY are asked, and
// when only one of them answers, Qt is told to take that one.
ScreenChoice ChooseScreen();

}  // namespace platform
