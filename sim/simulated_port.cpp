#include "sim/simulated_port.h"

#include <string>
#include <utility>

namespace sim {

SimulatedPort::SimulatedPort(const std::filesystem::path& far_end_link, FarEndPlug plug) {
  published_.emplace(far_end_link, link_.FarEnd());
  SetLoopbackPlug(plug);
}

SimulatedPort::SimulatedPort(std::shared_ptr<Modem> modem) : modem_(std::move(modem)) {
  device_on_line_.emplace(link_.FarEnd(), [modem = modem_](std::string_view received) {
    return modem->Receive(received);
  });
}

void SimulatedPort::SetLoopbackPlug(FarEndPlug plug) {
  if (modem_ != nullptr) return;  // the modem's line has no plug to switch
  const std::lock_guard lock(device_mutex_);
  if (plug == FarEndPlug::kNone) {
    device_on_line_.reset();
  } else if (!device_on_line_) {
    device_on_line_.emplace(link_.FarEnd(),
                            [](std::string_view received) { return std::string(received); });
  }
}

}  // namespace sim
