#include "sender/ui_handoff.h"

#include <condition_variable>
#include <mutex>

namespace sender {

struct UiHandOff::Gate {
  std::mutex mutex;
  std::condition_variable changed;
  bool letting_go = false;
};

namespace {

enum class Stage { Waiting, Running, Finished, Dropped, Withdrawn };

// One RunAndWait's work as it travels through the loop's queue.
struct Errand {
  std::shared_ptr<UiHandOff::Gate> gate;
  Stage stage = Stage::Waiting;  // guarded by the gate's mutex
};

// Owned by the queued task alone: if the loop ends and discards the task unrun, its waiter hears
// of it at once.
class DropNotice {
 public:
  explicit DropNotice(std::shared_ptr<Errand> errand) : errand_(std::move(errand)) {}
  DropNotice(const DropNotice&) = delete;
  DropNotice& operator=(const DropNotice&) = delete;
  ~DropNotice() {
    std::lock_guard lock(errand_->gate->mutex);
    if (errand_->stage == Stage::Waiting) {
      errand_->stage = Stage::Dropped;
      errand_->gate->changed.notify_all();
    }
  }

 private:
  std::shared_ptr<Errand> errand_;
};

}  // namespace

UiHandOff::UiHandOff(std::shared_ptr<platform::MessageLoop::Core> loop)
    : loop_(std::move(loop)), gate_(std::make_shared<Gate>()) {}

UiHandOff::Outcome UiHandOff::RunAndWait(std::function<void()> work) {
  auto errand = std::make_shared<Errand>(Errand{gate_});
  auto notice = std::make_shared<DropNotice>(errand);
  const bool queued = loop_->Post([errand, notice, work = std::move(work)] {
    {
      std::lock_guard lock(errand->gate->mutex);
      if (errand->stage != Stage::Waiting) return;
      errand->stage = Stage::Running;
    }
    work();
    std::lock_guard lock(errand->gate->mutex);
    errand->stage = Stage::Finished;
    errand->gate->changed.notify_all();
  });
  notice.reset();
  if (!queued) return Outcome::LoopEnded;

  std::unique_lock lock(gate_->mutex);
  gate_->changed.wait(lock, [&] {
    return errand->stage == Stage::Finished || errand->stage == Stage::Dropped ||
           (gate_->letting_go && errand->stage == Stage::Waiting);
  });
  switch (errand->stage) {
    case Stage::Finished:
      return Outcome::Ran;
    case Stage::Dropped:
      return Outcome::LoopEnded;
    default:
      errand->stage = Stage::Withdrawn;
      return Outcome::LetGo;
  }
}

bool UiHandOff::Queue(std::function<void()> work) { return loop_->Post(std::move(work)); }

void UiHandOff::LetGo() {
  std::lock_guard lock(gate_->mutex);
  gate_->letting_go = true;
  gate_->changed.notify_all();
}

}  // namespace sender
