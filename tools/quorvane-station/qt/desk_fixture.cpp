#include "tools/quorvane-station/qt/desk_fixture.h"

#include <thread>

#include <QApplication>
#include <QTest>

#include "tools/quorvane-station/qt/station_look.h"

namespace station_testing {

namespace {

using namespace std::chrono_literals;

// The test program's one QApplication, on the offscreen platform with a full-HD screen.
bool EnsureOffscreenStation() {
  if (QApplication::instance() != nullptr) return true;
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" QUORVANE_STATION_SCREEN);
  static int argc = 1;
  static char name[] = "station_window_tests";
  static char* argv[] = {name, nullptr};
  // Lives until the program ends; Qt tears down its platform when the process exits.
  station::MakeStationApplication(argc, argv).release();  // NOLINT(bugprone-unused-return-value)
  // A caret that blinks would make each screenshot differ.
  QApplication::setCursorFlashTime(0);
  return true;
}

}  // namespace

DeskTest::DeskTest() : desk_((EnsureOffscreenStation(), stop_)) {
  desk_.window().show();
  desk_.window().activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(&desk_.window()));
}

void DeskTest::TearDown() {
  // A question still waiting ends, so the worker can be joined.
  stop_.Raise();
  if (asked_.valid()) asked_.wait();
}

void DeskTest::FromWorker(const std::function<void()>& call) {
  std::thread(call).join();
  Settle();
}

void DeskTest::AskFromWorker(std::function<std::optional<std::string>()> ask, const char* asks_in) {
  if (asked_.valid() && asked_.wait_for(0s) != std::future_status::ready) {
    // The last question was never answered: the stop ends it, and every question after it.
    ADD_FAILURE() << "the last question is still waiting";
    stop_.Raise();
    asked_.wait();
  }
  asked_ = std::async(std::launch::async, std::move(ask));
  if (asks_in == nullptr) return;
  auto* part = Find<QWidget>(asks_in);
  ASSERT_NE(part, nullptr) << "no " << asks_in;
  EXPECT_TRUE(SettleUntil([part] { return part->isVisible() && part->isEnabled(); }))
      << asks_in << " never asked";
}

std::optional<std::string> DeskTest::Answer() {
  EXPECT_TRUE(SettleUntil([&] { return asked_.wait_for(0s) == std::future_status::ready; }))
      << "no answer came";
  return asked_.valid() && asked_.wait_for(0s) == std::future_status::ready ? asked_.get()
                                                                            : std::nullopt;
}

bool DeskTest::SettleUntil(const std::function<bool()>& done) {
  const auto give_up = std::chrono::steady_clock::now() + 20s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(10ms);
  }
  Settle();
  return true;
}

void DeskTest::Settle() {
  // Twice: what the worker posted, then the layout and painting that it caused.
  for (int round = 0; round < 2; ++round) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }
}

void DeskTest::Tap(const char* name) {
  auto* widget = Find<QWidget>(name);
  ASSERT_NE(widget, nullptr) << "no " << name;
  ASSERT_TRUE(widget->isVisible()) << name << " is hidden";
  QTest::mouseClick(widget, Qt::LeftButton);
  Settle();
}

}  // namespace station_testing
