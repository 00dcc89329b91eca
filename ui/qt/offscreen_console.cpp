#include "ui/qt/offscreen_console.h"

#include <QApplication>
#include <QTest>

#include "ui/qt/qt_loop_waiter.h"
#include "ui/qt/terminal_look.h"

namespace qt_testing {

void EnsureOffscreenApplication() {
  if (QApplication::instance() != nullptr) return;
  // A screen like the terminal's: 800 × 480 pixels on a 7-inch panel.
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" QUORVANE_TERMINAL_SCREEN);
  static int argc = 1;
  static char name[] = "quorvane_qt_tests";
  static char* argv[] = {name, nullptr};
  // Lives until the program ends; Qt tears down its platform when the process exits.
  ui::MakeTerminalApplication(argc, argv).release();
}

namespace {

std::unique_ptr<platform::LoopWaiter> QtWaiter() {
  EnsureOffscreenApplication();
  return std::make_unique<ui::QtLoopWaiter>();
}

}  // namespace

OffscreenConsoleTest::OffscreenConsoleTest() : ConsoleTest(QtWaiter()) {}

void OffscreenConsoleTest::SetUp() { platform::SetFrontEnd(&qt); }

void OffscreenConsoleTest::TearDown() {
  ConsoleTest::TearDown();
  platform::SetFrontEnd(&front_end);
}

void OffscreenConsoleTest::StartShown(const std::string& profile_text) {
  Start(profile_text);
  Settle();
}

void OffscreenConsoleTest::Settle() {
  do {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  } while (loop.DispatchReady() > 0);
}

QWidget* OffscreenConsoleTest::Widget(int control_id) const {
  return qt.WidgetOf(GetDlgItem(dlg.m_hWnd, control_id));
}

void OffscreenConsoleTest::Tap(int control_id) { Tap(Widget(control_id)); }

void OffscreenConsoleTest::Tap(QWidget* widget) {
  QTest::mouseClick(widget, Qt::LeftButton);
  Settle();
}

}  // namespace qt_testing
