#include "sim/eas_driver.h"

#include <cstring>
#include <utility>

namespace sim {

EasDriver::EasDriver(std::shared_ptr<DriverJournal> journal, EasChannels channels)
    : SimulatedDriver("EAS1:", std::move(journal)), channels_(channels) {}

EasChannels EasDriver::Channels() const {
  std::lock_guard lock(mutex_);
  return channels_;
}

void EasDriver::SetChannels(const EasChannels& channels) {
  std::lock_guard lock(mutex_);
  channels_ = channels;
}

SimulatedDriver::Outcome EasDriver::Answer(const Request& request, DWORD* bytes_returned) {
  if (request.code != IOCTL_EAS_READ || request.output == nullptr ||
      request.output_size < EAS_BLOCK_SIZE) {
    return ERROR_INVALID_PARAMETER;
  }
  std::array<BYTE, EAS_BLOCK_SIZE> block{};
  for (std::size_t channel = 0; channel < channels_.size(); ++channel) {
    for (std::size_t byte = 0; byte < 4; ++byte) {
      block[channel * 4 + byte] = static_cast<BYTE>(channels_[channel] >> (8 * byte));
    }
  }
  std::memcpy(request.output, block.data(), block.size());
  if (bytes_returned != nullptr) *bytes_returned = EAS_BLOCK_SIZE;
  return ERROR_SUCCESS;
}

nlohmann::ordered_json EasDriver::StateAsJson() const { return {{"channels", channels_}}; }

}  // namespace sim
