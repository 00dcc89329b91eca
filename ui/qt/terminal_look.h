// What the console's window looks like on any machine: one widget style and the template's
// Korean-capable font at the terminal's size, so the layout and the reference screenshot do not
// depend on the desktop it happens to run on.
#pragma once

class QApplication;

namespace ui {

inline constexpr char kDialogFontFamily[] = "NanumGothic";

void ApplyTerminalLook(QApplication& application);

// Whether Qt has a screen to show a window on: a window system's display, or a platform chosen
// explicitly (QT_QPA_PLATFORM, as on a kiosk's framebuffer or for offscreen rendering).
bool ScreenAvailable();

}  // namespace ui
