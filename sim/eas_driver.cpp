#include "sim/eas_driver.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "sim/eas_channel_file.h"

namespace sim {

EasDriver::EasDriver(std::shared_ptr<DriverJournal> journal, EasChannels channels,
                     std::shared_ptr<const Sandbox> sandbox)
    : SimulatedDriver("EAS1:", std::move(journal)),
      sandbox_(std::move(sandbox)),
      channels_(channels) {}

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
  EasChannels channels{};
  if (Outcome refused = ChannelsForRead(channels); refused.error != ERROR_SUCCESS) {
    return refused;
  }
  WriteEasBlock(channels, request.output, bytes_returned);
  return ERROR_SUCCESS;
}

void WriteEasBlock(const EasChannels& channels, void* output, DWORD* bytes_returned) {
  std::array<BYTE, EAS_BLOCK_SIZE> block{};
  for (std::size_t channel = 0; channel < channels.size(); ++channel) {
    for (std::size_t byte = 0; byte < 4; ++byte) {
      block[channel * 4 + byte] = static_cast<BYTE>(channels[channel] >> (8 * byte));
    }
  }
  std::memcpy(output, block.data(), block.size());
  if (bytes_returned != nullptr) *bytes_returned = EAS_BLOCK_SIZE;
}

SimulatedDriver::Outcome EasDriver::ChannelsForRead(EasChannels& channels) {
  read_from_file_.reset();
  try {
    if (sandbox_ != nullptr) read_from_file_ = ReadEasChannelFile(*sandbox_);
  } catch (const EasChannelFileError& error) {
    // A person fixing the file reads the console's output; once is enough while it stays wrong.
    if (error.what() != last_fault_) {
      last_fault_ = error.what();
      std::fprintf(stderr, "quorvane: EAS1: %s; EAS reads are refused until it is fixed\n",
                   error.what());
    }
    return {ERROR_INVALID_DATA, error.what()};
  }
  last_fault_.clear();
  channels = read_from_file_.value_or(channels_);
  return ERROR_SUCCESS;
}

nlohmann::ordered_json EasDriver::StateAsJson() const {
  if (read_from_file_) return {{"channels", *read_from_file_}, {"from", kEasChannelFileName}};
  return {{"channels", channels_}, {"from", "board"}};
}

}  // namespace sim
