// The simulated "EAS1:" driver: twelve channel values, read with code 8002 into a block of 52
// bytes (the twelve values as little-endian 32-bit numbers, then four reserved bytes left zero).
// The input is not looked at. An output buffer missing or smaller than the block is refused and
// left untouched. The values are the board's to choose and can be changed while it runs.
#pragma once

#include <array>
#include <memory>

#include "sim/simulated_driver.h"

namespace sim {

using EasChannels = std::array<DWORD, 12>;

// Channel n reads n, so a person reading the log sees each channel in its place.
inline constexpr EasChannels kDefaultEasChannels{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

class EasDriver final : public SimulatedDriver {
 public:
  static constexpr DWORD kReadCode = 8002;
  static constexpr DWORD kBlockSize = 52;

  EasDriver(std::shared_ptr<DriverJournal> journal, EasChannels channels);

  EasChannels Channels() const;
  void SetChannels(const EasChannels& channels);

 private:
  DWORD Answer(const Request& request, DWORD* bytes_returned) override;
  nlohmann::ordered_json StateAsJson() const override;

  EasChannels channels_;
};

}  // namespace sim
