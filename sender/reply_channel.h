// Replies made on some thread for the server's thread to send: each carries the ticket of the
// connection it answers, and a descriptor is readable while any wait to be taken. A reply is made
// into its line where it is made, so that a large one (a read's) is never copied on its way.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/posix_calls.h"
#include "sender/protocol.h"

namespace sender {

// Names a request, so that its reply finds the way back to its connection.
using Ticket = std::uint64_t;
using Replies = std::vector<std::pair<Ticket, Reply>>;
// Replies as the lines that go out, newline included.
using ReplyLines = std::vector<std::pair<Ticket, std::string>>;

class ReplyChannel {
 public:
  // Any thread.
  void Answer(Ticket ticket, const Reply& reply) { AnswerWith(ticket, EncodeReply(reply)); }
  // A reply made into its line already.
  void AnswerWith(Ticket ticket, std::string line) {
    {
      std::lock_guard lock(mutex_);
      lines_.emplace_back(ticket, std::move(line));
    }
    ready_.Raise();
  }

  int ready_fd() const { return ready_.fd(); }

  ReplyLines Take() {
    ready_.Drain();
    std::lock_guard lock(mutex_);
    return std::exchange(lines_, {});
  }

 private:
  const platform::posix::WakeFd ready_;
  std::mutex mutex_;
  ReplyLines lines_;
};

}  // namespace sender
