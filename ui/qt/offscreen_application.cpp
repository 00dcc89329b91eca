#include "ui/qt/offscreen_application.h"

#include <QApplication>

#include "ui/qt/terminal_look.h"

namespace qt_testing {

void EnsureOffscreenApplication() {
  if (QApplication::instance() != nullptr) return;
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" QUORVANE_TERMINAL_SCREEN);
  static int argc = 1;
  static char name[] = "quorvane_offscreen";
  static char* argv[] = {name, nullptr};
  // Lives until the program ends; Qt tears down its platform when the process exits.
  ui::MakeTerminalApplication(argc, argv).release();  // NOLINT(bugprone-unused-return-value)
}

}  // namespace qt_testing
