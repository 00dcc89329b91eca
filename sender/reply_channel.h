// Replies made on some thread for the server's thread to send: each carries the ticket of the
// connection it answers, and a descriptor is readable while any wait to be taken.
#pragma once

#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/linux/posix_calls.h"
#include "sender/protocol.h"

namespace sender {

// Names a request, so that its reply finds the way back to its connection.
using Ticket = std::uint64_t;
using Replies = std::vector<std::pair<Ticket, Reply>>;

class ReplyChannel {
 public:
  // Any thread.
  void Answer(Ticket ticket, Reply reply) {
    {
      std::lock_guard lock(mutex_);
      replies_.emplace_back(ticket, std::move(reply));
    }
    ready_.Raise();
  }

  int ready_fd() const { return ready_.fd(); }

  Replies Take() {
    ready_.Drain();
    std::lock_guard lock(mutex_);
    return std::exchange(replies_, {});
  }

 private:
  const platform::posix::WakeFd ready_;
  std::mutex mutex_;
  Replies replies_;
};

}  // namespace sender
