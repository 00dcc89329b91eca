#include "sim/simulated_port.h"

#include <string>
#include <utility>

namespace sim {

SimulatedPort::SimulatedPort(const std::filesystem::path& far_end_link, FarEndPlug plug) {
  published_.emplace(far_end_link, link_.FarEnd());
  if (plug == FarEndPlug::kLoopback) {
    device_on_line_.emplace(link_.FarEnd(),
                            [](std::string_view received) { return std::string(received); });
  }
}

SimulatedPort::SimulatedPort(std::shared_ptr<Modem> modem) : modem_(std::move(modem)) {
  device_on_line_.emplace(link_.FarEnd(), [modem = modem_](std::string_view received) {
    return modem->Receive(received);
  });
}

}  // namespace sim
