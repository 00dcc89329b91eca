#include "tools/quorvane-station/qt/gui_thread_queue.h"

#include <system_error>

#include <QSocketNotifier>

namespace station {

GuiThreadQueue::GuiThreadQueue() {
  if (posted_signal_.error() != 0) {
    throw std::system_error(posted_signal_.error(), std::generic_category(), "eventfd");
  }
  notifier_ = std::make_unique<QSocketNotifier>(posted_signal_.fd(), QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { RunPosted(); });
}

GuiThreadQueue::~GuiThreadQueue() = default;

void GuiThreadQueue::Post(std::function<void()> work) {
  {
    const std::lock_guard lock(mutex_);
    posted_.push_back(std::move(work));
  }
  posted_signal_.Raise();
}

void GuiThreadQueue::RunPosted() {
  posted_signal_.Drain();
  std::vector<std::function<void()>> work;
  {
    const std::lock_guard lock(mutex_);
    work.swap(posted_);
  }
  for (const auto& step : work) step();
}

}  // namespace station
