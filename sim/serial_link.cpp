#include "sim/serial_link.h"

#include <system_error>

#include "platform/linux/descriptor_wait.h"
#include "sim/pty_relay.h"

namespace sim {

SerialLink::SerialLink() {
  if (stop_.fd() < 0) throw std::system_error(stop_.error(), std::generic_category(), "eventfd");
  relay_ =
      std::thread([this] { RelayUntilStopped(console_side_.Master(), far_end_.Master(), stop_); });
}

SerialLink::~SerialLink() {
  stop_.Raise();
  relay_.join();
}

// A master reports a hang-up exactly while nobody holds its slave.
bool SerialLink::ConsoleSideHeld() const {
  return (platform::posix::ReadyNow(console_side_.Master(), 0).value_or(POLLHUP) & POLLHUP) == 0;
}

}  // namespace sim
