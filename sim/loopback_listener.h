// A TCP listening socket on 127.0.0.1 at a port the system picks, as a LAN instrument listens on
// its SCPI port: only this machine's programs reach the simulated bench.
#pragma once

#include <cstdint>

#include "platform/linux/posix_calls.h"

namespace sim {

class LoopbackListener {
 public:
  // Non-blocking. Throws std::system_error naming the call that failed.
  LoopbackListener();

  int fd() const { return socket_.get(); }
  std::uint16_t port() const { return port_; }

 private:
  platform::posix::UniqueFd socket_;
  std::uint16_t port_ = 0;
};

}  // namespace sim
