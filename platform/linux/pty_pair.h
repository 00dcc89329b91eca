// A pseudo-terminal pair, the simulated terminal's stand-in for a serial cable's end: the master
// stays with the simulator, the slave is a tty path that a program opens as it would open a
// serial line. The slave starts raw (no echo, no line editing, no character translation), so
// bytes pass through it unchanged until whoever opens it sets otherwise.
#pragma once

#include <termios.h>

#include <filesystem>

#include "platform/linux/posix_calls.h"

namespace platform::posix {

class PtyPair {
 public:
  // Throws std::system_error naming the call that failed.
  PtyPair();

  // Non-blocking; closes with the pair.
  int Master() const { return master_.get(); }
  const std::filesystem::path& Slave() const { return slave_; }

  // The slave's line settings as whoever holds it last set them: on Linux the master answers
  // tcgetattr with the slave's termios. They outlast the slave's closing for as long as the
  // pair lives.
  termios SlaveSettings() const;

 private:
  UniqueFd master_;
  std::filesystem::path slave_;
};

}  // namespace platform::posix
