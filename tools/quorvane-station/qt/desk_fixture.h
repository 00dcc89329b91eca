// The window desk under Qt's offscreen platform, for tests: the test's thread is the GUI thread
// and the station loop's calls come from worker threads, as in the station. No display is needed,
// yet the window is laid out and painted for real.
#pragma once

#include <functional>
#include <future>
#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <QWidget>

#include "plan/stop_request.h"
#include "tools/quorvane-station/qt/window_desk.h"

namespace station_testing {

class DeskTest : public ::testing::Test {
 protected:
  DeskTest();
  void TearDown() override;

  // Runs `call` on a worker thread to its end, then lets the window show what it posted.
  void FromWorker(const std::function<void()>& call);
  // Starts `ask` on a worker thread, where it waits for the operator; Answer() gives its answer.
  // With `asks_in`, handles the window's events until that part stands ready for the answer.
  void AskFromWorker(std::function<std::optional<std::string>()> ask,
                     const char* asks_in = nullptr);
  // Handles the window's events until the worker's question is answered, or fails after 20 s.
  std::optional<std::string> Answer();
  // Handles the window's events until `done` holds; false after 20 s.
  bool SettleUntil(const std::function<bool()>& done);
  void Settle();

  template <typename Widget>
  Widget* Find(const char* name) {
    return desk_.window().findChild<Widget*>(QString::fromLatin1(name));
  }
  // A finger on the visible widget `name`, handled to the end.
  void Tap(const char* name);

  plan::StopRequest stop_;  // the station's: closing the window raises it
  station::WindowDesk desk_;
  std::future<std::optional<std::string>> asked_;
};

}  // namespace station_testing
