#include "tools/quorvane-station/qt/answer_slot.h"

#include <poll.h>

#include <system_error>

#include "platform/linux/descriptor_wait.h"

namespace station {

namespace posix = platform::posix;

AnswerSlot::AnswerSlot() {
  if (given_.error() != 0) {
    throw std::system_error(given_.error(), std::generic_category(), "eventfd");
  }
}

int AnswerSlot::Open() {
  const std::lock_guard lock(mutex_);
  answer_.reset();
  return ++open_;
}

void AnswerSlot::Give(int question, std::string answer) {
  {
    const std::lock_guard lock(mutex_);
    if (question != open_) return;
    answer_ = std::move(answer);
  }
  given_.Raise();
}

std::optional<std::string> AnswerSlot::Wait(const plan::StopRequest& stop, std::string& why) {
  posix::DescriptorWait wait(stop.WakeDescriptor(0));
  wait.Watch(given_.fd(), POLLIN);
  for (;;) {
    if (stop.stopping()) {
      why = "stopped while waiting for an answer";
      return std::nullopt;
    }
    {
      const std::lock_guard lock(mutex_);
      if (answer_) {
        std::optional<std::string> taken = std::move(answer_);
        answer_.reset();
        return taken;
      }
    }
    if (wait.Until(std::nullopt) == posix::DescriptorWait::Outcome::kFailed) {
      why = "the wait for the operator's answer failed: " + wait.failure().Describe();
      return std::nullopt;
    }
    // Drained before the next look, so an answer given after this still wakes the next wait.
    given_.Drain();
  }
}

}  // namespace station
