// The console shown by the Qt front end on Qt's offscreen platform, for tests and benchmarks: no
// display is needed, yet every widget is laid out and painted for real.
#pragma once

#include <QWidget>

#include "testing/console_fixture.h"
#include "ui/qt/offscreen_application.h"
#include "ui/qt/qt_front_end.h"

namespace qt_testing {

class OffscreenConsoleTest : public console_testing::ConsoleTest {
 protected:
  OffscreenConsoleTest();
  void SetUp() override;
  void TearDown() override;

  // Starts the console and lets Qt lay out and paint the window.
  void StartShown(const std::string& profile_text = "");
  // Lets Qt handle what it has queued (layout, painting, input) and the loop what it has queued.
  void Settle();
  QWidget* Widget(int control_id) const;
  ui::DialogWindow* Window() const { return qt.WindowOf(dlg.m_hWnd); }
  // A person's tap on the middle of control `control_id`, handled to the end.
  void Tap(int control_id);
  void Tap(QWidget* widget);

  ui::QtFrontEnd qt;
};

}  // namespace qt_testing
