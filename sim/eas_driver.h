// The simulated "EAS1:" driver: twelve channel values, read with code 8002 into a block of 52
// bytes (the twelve values as little-endian 32-bit numbers, then four reserved bytes left zero).
// The input is not looked at. An output buffer missing or smaller than the block is refused and
// left untouched. The values are the board's to choose and can be changed while it runs.
//
// Given the sandbox, each read takes the channels from its eas1.toml when there is one (see
// eas_channel_file.h). A file that cannot be used refuses the read with ERROR_INVALID_DATA and
// its reason in the journal, and is complained of once on standard error for as long as the
// same fault stays; the channels are never taken from a file in part.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "platform/terminal/vehicle_io_codes.h"
#include "sim/simulated_driver.h"

namespace sim {

class Sandbox;

using EasChannels = std::array<DWORD, EAS_CHANNEL_COUNT>;

// Channel n reads n, so a person reading the log sees each channel in its place.
inline constexpr EasChannels kDefaultEasChannels{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

// Puts `channels` into the request's block (output_size at least EAS_BLOCK_SIZE), the reserved
// bytes zero, and says how much was written.
void WriteEasBlock(const EasChannels& channels, void* output, DWORD* bytes_returned);

class EasDriver final : public SimulatedDriver {
 public:
  EasDriver(std::shared_ptr<DriverJournal> journal, EasChannels channels,
            std::shared_ptr<const Sandbox> sandbox = nullptr);

  // The channels a read answers with when no file gives others.
  EasChannels Channels() const;
  void SetChannels(const EasChannels& channels);

 private:
  Outcome Answer(const Request& request, DWORD* bytes_returned) override;
  nlohmann::ordered_json StateAsJson() const override;

  // The channels this read answers with, or the outcome that refuses it.
  Outcome ChannelsForRead(EasChannels& channels);

  const std::shared_ptr<const Sandbox> sandbox_;  // null: the channels come from no file
  EasChannels channels_;
  std::optional<EasChannels> read_from_file_;  // what the last read took from the file
  std::string last_fault_;                     // the fault last complained of, while it stays
};

}  // namespace sim
