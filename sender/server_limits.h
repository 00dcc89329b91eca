// How much the console's server takes on at once and how long it waits for a sender: the
// settings the server and its table of connections share.
#pragma once

#include <chrono>
#include <cstddef>

namespace sender {

struct ServerLimits {
  int max_connections = 64;                         // open at once
  std::size_t max_waiting = 16;                     // requests taken but not yet carried out
  std::chrono::milliseconds receive_timeout{5000};  // for a whole request to arrive
  std::chrono::milliseconds send_timeout{5000};     // for the reply to leave
  std::size_t max_expecting = 16;                   // expects waiting at once
  std::size_t max_marking = 4;                      // marks waiting at once
  // Replies waiting to be written may hold this much before a further read goes to the dialog.
  std::size_t read_reply_bytes = 8 * 1024 * 1024;
};

}  // namespace sender
