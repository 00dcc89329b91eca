// The Qt application the console's window lives in, made to look the same on any machine: one
// widget style, the template's Korean-capable font at the terminal's size, and the dialog kept
// in screen pixels, so that the layout and the reference screenshot do not depend on the desktop
// or panel it happens to run on.
#pragma once

#include <memory>

class QApplication;

namespace ui {

inline constexpr char kDialogFontFamily[] = "NanumGothic";

// `argc` and `argv` must outlive the application, as Qt requires.
std::unique_ptr<QApplication> MakeTerminalApplication(int& argc, char** argv);

}  // namespace ui
