// The simulated "EAS1:" driver: twelve channel values, read with code 8002 into a block of 52
// bytes (the twelve values as little-endian 32-bit numbers, then four reserved bytes left zero).
// The input is not looked at. An output buffer missing or smaller than the block is refused and
// left untouched. The values are the board's to choose and can be changed while it runs.
#pragma once

#include <array>
#include <memory>

#include "platform/terminal/vehicle_io_codes.h"
#include "sim/simulated_driver.h"

namespace sim {

using EasChannels = std::array<DWORD, EAS_CHANNEL_COUNT>;

// Channel n reads n, so a person reading the log sees each channel in its place.
inline constexpr EasChannels kDefaultEasChannels{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

class EasDriver final : public SimulatedDriver {
 public:
  EasDriver(std::shared_ptr<DriverJournal> journal, EasChannels channels);

  EasChannels Channels() const;
  void SetChannels(const EasChannels& channels);

 private:
  Outcome Answer(const Request& request, DWORD* bytes_returned) override;
  nlohmann::ordered_json StateAsJson() const override;

  EasChannels channels_;
};

}  // namespace sim
