#include "record/event_queue.h"

#include <utility>

namespace record {

void EventQueue::Push(Event event, std::size_t weight) {
  std::lock_guard lock(mutex_);
  ++pushed_;
  if (queued_bytes_ + weight > most_bytes_) {
    auto* lost = events_.empty() ? nullptr : std::get_if<EventsLost>(&events_.back().body);
    if (lost != nullptr) {
      ++lost->count;
    } else {
      events_.push_back({event.times, EventsLost{1}});
    }
    return;
  }
  queued_bytes_ += weight;
  events_.push_back(std::move(event));
  if (writer_waiting_ && events_.size() == 1) wake_.notify_one();
}

EventQueue::Batch EventQueue::Take() {
  std::unique_lock lock(mutex_);
  writer_waiting_ = true;
  wake_.wait(lock, [&] { return !events_.empty() || stopping_; });
  writer_waiting_ = false;
  queued_bytes_ = 0;
  return {std::exchange(events_, {}), stopping_};
}

bool EventQueue::PauseUnlessStopping(std::chrono::steady_clock::duration pause) {
  std::unique_lock lock(mutex_);
  return wake_.wait_for(lock, pause, [&] { return stopping_; });
}

void EventQueue::Stop() {
  std::lock_guard lock(mutex_);
  stopping_ = true;
  wake_.notify_all();
}

bool EventQueue::Stopping() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

std::uint64_t EventQueue::Pushed() const {
  std::lock_guard lock(mutex_);
  return pushed_;
}

}  // namespace record
