// Marks of the session record that outside senders ask for. The record's writer catches up only
// on processor time the console leaves, so a mark may wait a while: marks are taken one at a time
// on a thread of their own, started with the first, and answered through a reply channel that
// the server's thread watches. Each is recorded as the console takes it, before it is marked, so
// that what follows a mark in the record is what came after the request.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/ports/session_events.h"
#include "sender/protocol.h"
#include "sender/reply_channel.h"

namespace sender {

// What the board's session record tells (platform/ports/board.h); null when it keeps none.
using MarkRecord =
    std::function<std::optional<platform::RecordPosition>(std::chrono::milliseconds patience)>;

class RecordMarks {
 public:
  // How long a mark waits for the record's writer before it is refused.
  static constexpr std::chrono::seconds kPatience{5};

  // At most `capacity` marks wait at once.
  RecordMarks(MarkRecord mark, std::size_t capacity);
  ~RecordMarks();
  RecordMarks(const RecordMarks&) = delete;
  RecordMarks& operator=(const RecordMarks&) = delete;

  // The mark is taken; a reply at once when it cannot be.
  std::optional<Reply> Begin(Ticket ticket, const Request& request);
  int replies_ready_fd() const { return replies_.ready_fd(); }
  ReplyLines TakeReplies() { return replies_.Take(); }
  // Marks that wait hear that the console is closing; the thread ends once the mark at work (at
  // most kPatience) is answered.
  void Stop();

 private:
  void Work();
  Reply MarkNow();

  const MarkRecord mark_;
  const std::size_t capacity_;
  ReplyChannel replies_;
  std::mutex mutex_;  // guards what follows
  std::condition_variable wake_;
  bool stopping_ = false;
  std::deque<std::pair<Ticket, Request>> waiting_;
  std::thread worker_;  // started with the first mark
};

}  // namespace sender
