#include "platform/terminal/message_loop.h"

#include <atomic>
#include <deque>
#include <thread>
#include <vector>

#include "platform/terminal/window_manager.h"

namespace platform {

namespace {

thread_local MessageLoop* current_loop = nullptr;

class ConditionWaiter final : public LoopWaiter {
 public:
  void Wait(std::unique_lock<std::mutex>& lock,
            std::optional<std::chrono::steady_clock::time_point> deadline) override {
    if (deadline) {
      wake_.wait_until(lock, *deadline);
    } else {
      wake_.wait(lock);
    }
  }
  void Wake() override { wake_.notify_one(); }

 private:
  std::condition_variable wake_;
};

// A sent task and what its sender waits on.
struct SentTask {
  std::function<void()> task;
  std::atomic<bool> finished = false;
  bool ran = false;
};

// How long a thread that waits for the other side looks again and again before it sleeps. A
// serial burst takes tens of microseconds to hand over and handle; waking a thread that sleeps
// on another processor can cost more than that, on a virtual machine many times more. Between
// looks the processor is offered to anything else that is ready to run on it.
constexpr auto kLookBeforeSleeping = std::chrono::microseconds(50);

template <class Ready>
bool LookAgainAndAgain(Ready ready) {
  const auto give_up = std::chrono::steady_clock::now() + kLookBeforeSleeping;
  while (!ready()) {
    if (std::chrono::steady_clock::now() >= give_up) return false;
    std::this_thread::yield();
  }
  return true;
}

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  Milliseconds period;
  Clock::TimePoint due;
  std::uint64_t order;  // timers due at the same moment come in the order they were set
};

}  // namespace

struct MessageLoop::Core::Impl {
  Impl(Clock& loop_clock, std::unique_ptr<LoopWaiter> given_waiter)
      : clock(loop_clock),
        waiter(given_waiter ? std::move(given_waiter) : std::make_unique<ConditionWaiter>()) {}

  Clock& clock;
  std::unique_ptr<LoopWaiter> waiter;
  const std::thread::id owner = std::this_thread::get_id();

  std::mutex mutex;
  std::condition_variable sent_done;
  std::deque<std::shared_ptr<SentTask>> sent;
  std::deque<std::function<void()>> posted;
  std::atomic<std::size_t> queued = 0;  // sent and posted, for looking without the mutex
  bool ended = false;

  // Touched on the loop's thread only.
  std::vector<Timer> timers;
  std::uint64_t next_order = 0;

  std::vector<Timer>::iterator EarliestTimer() {
    auto earliest = timers.end();
    for (auto it = timers.begin(); it != timers.end(); ++it) {
      if (earliest == timers.end() || it->due < earliest->due ||
          (it->due == earliest->due && it->order < earliest->order)) {
        earliest = it;
      }
    }
    return earliest;
  }

  // Hands one due timer to its window. The next tick is counted from now, as a tick that comes
  // late (a handler slept) does not pile up further ticks.
  bool DispatchDueTimer() {
    auto timer = EarliestTimer();
    if (timer == timers.end() || timer->due > clock.Now()) return false;
    const HWND hwnd = timer->hwnd;
    const UINT_PTR id = timer->id;
    timer->due = clock.Now() + timer->period;
    DeliverMessage(hwnd, WM_TIMER, id, 0);
    return true;
  }

  // Runs the oldest sent task; `lock` is held on entry and on return.
  bool DispatchSent(std::unique_lock<std::mutex>& lock) {
    if (sent.empty()) return false;
    auto task = std::move(sent.front());
    sent.pop_front();
    --queued;
    lock.unlock();
    task->task();
    lock.lock();
    task->finished = task->ran = true;
    // The sender is woken once the mutex is free: woken while it is held, it would only run to
    // block on the mutex again, two more switches for every burst a serial port hands over.
    lock.unlock();
    sent_done.notify_all();
    lock.lock();
    return true;
  }

  bool DispatchOne() {
    std::unique_lock lock(mutex);
    if (DispatchSent(lock)) return true;
    if (!posted.empty()) {
      auto task = std::move(posted.front());
      posted.pop_front();
      --queued;
      lock.unlock();
      task();
      return true;
    }
    lock.unlock();
    return DispatchDueTimer();
  }

  // Waits until other threads bring work, the earliest timer falls due or `give_up` passes.
  void WaitForWork(std::optional<std::chrono::steady_clock::time_point> give_up = std::nullopt) {
    if (LookAgainAndAgain([this] { return queued != 0; })) return;
    std::unique_lock lock(mutex);
    if (!sent.empty() || !posted.empty()) return;
    auto deadline = give_up;
    if (auto timer = EarliestTimer(); timer != timers.end()) {
      if (timer->due <= clock.Now()) return;
      // On the virtual clock no wall time brings the timer: only other threads' work wakes us.
      if (auto due = clock.WallDeadline(timer->due)) {
        deadline = deadline ? std::min(*deadline, *due) : *due;
      }
    }
    waiter->Wait(lock, deadline);
  }

  void End() {
    std::lock_guard lock(mutex);
    ended = true;
    for (auto& task : sent) task->finished = true;
    sent.clear();
    posted.clear();
    queued = 0;
    sent_done.notify_all();
  }
};

MessageLoop::Core::Core(Clock& clock, std::unique_ptr<LoopWaiter> waiter)
    : impl_(std::make_unique<Impl>(clock, std::move(waiter))) {}

MessageLoop::Core::~Core() = default;

bool MessageLoop::Core::OnLoopThread() const { return std::this_thread::get_id() == impl_->owner; }

void MessageLoop::Core::Wake() {
  std::lock_guard lock(impl_->mutex);
  impl_->waiter->Wake();
}

bool MessageLoop::Core::Post(std::function<void()> task) {
  std::lock_guard lock(impl_->mutex);
  if (impl_->ended) return false;
  impl_->posted.push_back(std::move(task));
  ++impl_->queued;
  impl_->waiter->Wake();
  return true;
}

bool MessageLoop::Core::Send(std::function<void()> task) {
  auto sent = std::make_shared<SentTask>();
  sent->task = std::move(task);
  std::unique_lock lock(impl_->mutex);
  if (impl_->ended) return false;
  impl_->sent.push_back(sent);
  ++impl_->queued;
  impl_->waiter->Wake();
  lock.unlock();
  LookAgainAndAgain([&] { return sent->finished.load(); });
  lock.lock();
  impl_->sent_done.wait(lock, [&] { return sent->finished.load(); });
  return sent->ran;
}

MessageLoop::MessageLoop(Clock& clock, std::unique_ptr<LoopWaiter> waiter)
    : core_(std::make_shared<Core>(clock, std::move(waiter))) {
  current_loop = this;
}

MessageLoop::~MessageLoop() {
  core_->impl_->End();
  if (current_loop == this) current_loop = nullptr;
}

MessageLoop* MessageLoop::Current() { return current_loop; }

Clock& MessageLoop::clock() const { return core_->impl_->clock; }

void MessageLoop::RunUntil(const std::function<bool()>& done) {
  auto& impl = *core_->impl_;
  while (!done()) {
    if (!impl.DispatchOne()) impl.WaitForWork();
  }
}

int MessageLoop::DispatchReady() {
  int count = 0;
  while (core_->impl_->DispatchOne()) ++count;
  return count;
}

bool MessageLoop::RunUntilOrTimeout(const std::function<bool()>& done,
                                    std::chrono::milliseconds wall_timeout) {
  const auto give_up = std::chrono::steady_clock::now() + wall_timeout;
  auto& impl = *core_->impl_;
  while (!done()) {
    if (impl.DispatchOne()) continue;
    if (std::chrono::steady_clock::now() >= give_up) return false;
    impl.WaitForWork(give_up);
  }
  return true;
}

void MessageLoop::AdvanceBy(Milliseconds duration) {
  auto& impl = *core_->impl_;
  auto* clock = dynamic_cast<VirtualClock*>(&impl.clock);
  if (clock == nullptr) return;
  const auto target = clock->Now() + duration;
  DispatchReady();
  for (;;) {
    auto timer = impl.EarliestTimer();
    if (timer == impl.timers.end() || timer->due > target) break;
    clock->MoveTo(timer->due);
    DispatchReady();
  }
  clock->MoveTo(target);
  DispatchReady();
}

void MessageLoop::HandleSentUntil(const std::function<bool()>& done) {
  auto& impl = *core_->impl_;
  // `done` is asked with the loop's mutex held, so a Wake that follows it cannot slip by.
  std::unique_lock lock(impl.mutex);
  while (!done()) {
    if (!impl.DispatchSent(lock)) impl.waiter->Wait(lock, std::nullopt);
  }
}

void MessageLoop::SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms) {
  auto& impl = *core_->impl_;
  const Milliseconds period{elapse_ms};
  for (auto& timer : impl.timers) {
    if (timer.hwnd == hwnd && timer.id == id) {
      timer.period = period;
      timer.due = impl.clock.Now() + period;
      timer.order = impl.next_order++;
      return;
    }
  }
  impl.timers.push_back({hwnd, id, period, impl.clock.Now() + period, impl.next_order++});
}

bool MessageLoop::KillTimer(HWND hwnd, UINT_PTR id) {
  return std::erase_if(core_->impl_->timers, [&](const Timer& timer) {
           return timer.hwnd == hwnd && timer.id == id;
         }) > 0;
}

void MessageLoop::KillTimers(HWND hwnd) {
  std::erase_if(core_->impl_->timers, [&](const Timer& timer) { return timer.hwnd == hwnd; });
}

}  // namespace platform
