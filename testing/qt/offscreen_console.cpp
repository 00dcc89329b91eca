#include "testing/qt/offscreen_console.h"

#include <QApplication>
#include <QTest>

#include "ui/qt/offscreen_application.h"
#include "ui/qt/qt_loop_waiter.h"

namespace qt_testing {

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
