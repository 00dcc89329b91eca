// The hand-over between the threads where events happen and the record's one writer: a pushed
// event is moved into a bounded queue under a short lock, and nothing else happens on the
// pushing thread (the writer is woken only when it sleeps on an empty queue). When the queue
// holds its most, because the disk stalls or the writer cannot keep up, further events are
// counted instead of kept, as one EventsLost in their place, so the writer says how many went.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "record/session_event.h"

namespace record {

class EventQueue {
 public:
  // At most `most_bytes` of events' payload wait at once.
  explicit EventQueue(std::size_t most_bytes) : most_bytes_(most_bytes) {}

  // Any thread. `weight` is roughly the bytes the event holds.
  void Push(Event event, std::size_t weight);

  struct Batch {
    std::vector<Event> events;
    bool stopping = false;  // nothing more will come after these
  };
  // The writer: waits until something is queued or Stop was called, and takes it all.
  Batch Take();
  // The writer: waits for `pause`, or less when Stop is called; true when stopping.
  bool PauseUnlessStopping(std::chrono::steady_clock::duration pause);
  // After Stop, Take returns what is left at once, marked stopping.
  void Stop();
  bool Stopping() const;

  // Events pushed so far (kept or counted lost).
  std::uint64_t Pushed() const;

 private:
  const std::size_t most_bytes_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<Event> events_;
  std::size_t queued_bytes_ = 0;
  std::uint64_t pushed_ = 0;
  bool writer_waiting_ = false;
  bool stopping_ = false;
};

}  // namespace record
