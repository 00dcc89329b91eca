// A device on a tty, the way a simulated part sits at the far end of a serial line: it opens the
// tty's path as any program would, and a thread of its own hands whatever arrives to the
// device's responder and writes the answer back. The simulated modem is one.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/linux/posix_calls.h"

namespace sim {

class TtyDevice {
 public:
  // What the device says back to bytes that arrived; may be empty.
  using Responder = std::function<std::string(std::string_view received)>;

  // Opens the tty and starts answering. Throws std::system_error.
  TtyDevice(const std::filesystem::path& tty, Responder responder);
  // Stops answering, waits for the thread and closes the tty.
  ~TtyDevice();
  TtyDevice(const TtyDevice&) = delete;
  TtyDevice& operator=(const TtyDevice&) = delete;

 private:
  void Serve();
  bool WriteAll(std::string_view bytes);

  const platform::posix::UniqueFd tty_;
  const Responder responder_;
  const platform::posix::WakeFd stop_;
  std::thread thread_;
};

}  // namespace sim
