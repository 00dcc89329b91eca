// Work handed to the GUI thread from any other: the station loop's thread posts what the window
// is to show, and the GUI thread runs it, in the order posted, when its event loop comes round.
// The hand-off is a locked list swapped out under the lock and run without it, woken through an
// eventfd that a socket notifier watches: the threads share nothing that only Qt's own
// synchronisation guards. Work posted once the event loop has ended is never run.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/linux/posix_calls.h"

class QSocketNotifier;

namespace station {

class GuiThreadQueue {
 public:
  // On the GUI thread; throws std::system_error when no eventfd can be made.
  GuiThreadQueue();
  ~GuiThreadQueue();
  GuiThreadQueue(const GuiThreadQueue&) = delete;
  GuiThreadQueue& operator=(const GuiThreadQueue&) = delete;

  // Any thread.
  void Post(std::function<void()> work);

 private:
  void RunPosted();

  platform::posix::WakeFd posted_signal_;
  std::mutex mutex_;
  std::vector<std::function<void()>> posted_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace station
