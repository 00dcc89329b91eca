// One simulated serial line: two pseudo-terminals joined by a relay thread. The console opens the
// console side as its COMn (through the same termios code as a real tty); a simulated device or
// any outside program opens the far end. What one end writes the other reads, unchanged.
//
// The far end is raw when the link is made, and stays raw across a program closing and another
// opening it, unless a program changes it. The console side's line settings are whatever the
// console set, and ConsoleSideSettings shows them (the speed it opened COM3 at, say).
#pragma once

#include <termios.h>

#include <filesystem>
#include <thread>

#include "platform/linux/posix_calls.h"
#include "platform/linux/pty_pair.h"

namespace sim {

class SerialLink {
 public:
  // Throws std::system_error when the system gives no pseudo-terminal or thread.
  SerialLink();
  // Stops the relay and waits for it; the two ttys go away with the link.
  ~SerialLink();
  SerialLink(const SerialLink&) = delete;
  SerialLink& operator=(const SerialLink&) = delete;

  const std::filesystem::path& ConsoleSide() const { return console_side_.Slave(); }
  const std::filesystem::path& FarEnd() const { return far_end_.Slave(); }
  termios ConsoleSideSettings() const { return console_side_.SlaveSettings(); }
  // Whether a program (the console, its port open) holds the console side now. Any thread.
  bool ConsoleSideHeld() const;

 private:
  const platform::posix::PtyPair console_side_;
  const platform::posix::PtyPair far_end_;
  const platform::posix::WakeFd stop_;
  std::thread relay_;
};

}  // namespace sim
