#include "ui/qt/qt_loop_waiter.h"

#include <algorithm>
#include <limits>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

namespace ui {

QtLoopWaiter::QtLoopWaiter() : dispatcher_(QAbstractEventDispatcher::instance()) {
  deadline_timer_.setSingleShot(true);
  deadline_timer_.setTimerType(Qt::PreciseTimer);
}

void QtLoopWaiter::Wait(std::unique_lock<std::mutex>& lock,
                        std::optional<std::chrono::steady_clock::time_point> deadline) {
  lock.unlock();
  // A Wake between the unlock and the wait below is not lost: the dispatcher remembers it and
  // the wait returns at once.
  if (deadline) {
    const auto remaining =
        std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
    deadline_timer_.start(static_cast<int>(
        std::clamp<long long>(remaining.count(), 0, std::numeric_limits<int>::max())));
  }
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  deadline_timer_.stop();
  lock.lock();
}

void QtLoopWaiter::Wake() { dispatcher_->wakeUp(); }

}  // namespace ui
