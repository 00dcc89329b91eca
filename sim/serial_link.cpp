#include "sim/serial_link.h"

#include <system_error>

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

bool SerialLink::ConsoleSideHeld() const { return PtySlaveHeld(console_side_.Master()); }

}  // namespace sim
