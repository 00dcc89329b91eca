// The user-interface thread's message queue. Messages sent from other threads (the serial watch
// thread, outside senders) are handled first and their senders wait for the handler; posted
// messages follow in order; window timers fall due on the loop's clock and arrive as WM_TIMER
// once nothing else waits. Nested loops (a modal dialog, a message box) run the same queue, so
// timers and sent messages are still handled while one is open. It is not a general task
// scheduler: there are no priorities, no thread pool and no cancellation.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/ports/loop_waiter.h"
#include "platform/terminal/clock.h"
#include "platform/terminal/win_types.h"

namespace platform {

class MessageLoop {
 public:
  class Core;

  explicit MessageLoop(Clock& clock, std::unique_ptr<LoopWaiter> waiter = nullptr);
  ~MessageLoop();
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;

  // The loop of the calling thread, or null.
  static MessageLoop* Current();
  Clock& clock() const;
  const std::shared_ptr<Core>& core() const { return core_; }

  // Runs until `done` holds, waiting for work in between.
  void RunUntil(const std::function<bool()>& done);
  // Runs what is ready now (sent and posted work, timers already due) without waiting.
  int DispatchReady();
  // Runs until `done` holds or `wall_timeout` of real time passes; says whether `done` held.
  // For tests, so that a hang fails the test instead of stalling the suite.
  bool RunUntilOrTimeout(const std::function<bool()>& done, std::chrono::milliseconds wall_timeout);
  // On a virtual clock: lets `duration` pass, handling each timer at the moment it falls due.
  void AdvanceBy(Milliseconds duration);
  // Waits until `done` holds, handling only messages that other threads send meanwhile, so that a
  // thread waiting in SendMessageW for this one can finish. Nothing else runs: no posted
  // message, no timer. Whoever makes `done` hold from another thread calls Core::Wake after;
  // `done` is asked with the loop's own lock held and must not call back into the loop.
  void HandleSentUntil(const std::function<bool()>& done);

  void SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms);
  bool KillTimer(HWND hwnd, UINT_PTR id);
  void KillTimers(HWND hwnd);

 private:
  std::shared_ptr<Core> core_;
};

// The part of a loop that other threads hold on to: it outlives the MessageLoop, so a sender that
// found the loop through a window is told the loop has ended instead of touching freed memory.
class MessageLoop::Core {
 public:
  // Any thread: queues `task` behind earlier posted work. False once the loop has ended.
  bool Post(std::function<void()> task);
  // Any thread but the loop's: runs `task` on the loop's thread and waits until it has run.
  // False when the loop ended before running it.
  bool Send(std::function<void()> task);
  bool OnLoopThread() const;
  // Any thread: makes a waiting loop look at its conditions again.
  void Wake();

 private:
  friend class MessageLoop;
  struct Impl;
  std::unique_ptr<Impl> impl_;

 public:
  Core(Clock& clock, std::unique_ptr<LoopWaiter> waiter);
  ~Core();
};

}  // namespace platform
