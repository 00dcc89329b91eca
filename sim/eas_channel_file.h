// The EAS channels a technician sets on the simulated terminal while the console runs: the file
// eas1.toml in the sandbox, holding one line as the board profile's [drivers.EAS1] writes it,
//   eas_channels = [0x1a, 0, 0xFFFFFFFF, 4, 5, 6, 7, 8, 9, 10, 11, 12]
// (comments allowed). It is read afresh on every EAS read, so a saved change counts from the
// next read on; without the file the profile's channels count.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "sim/eas_driver.h"
#include "sim/sandbox.h"

namespace sim {

inline constexpr std::string_view kEasChannelFileName = "eas1.toml";
// Twelve numbers with a comment for each fit many times over; more is no channel file.
inline constexpr std::size_t kMaxEasChannelFileBytes = 16 * 1024;

// What is wrong with the file: "FILE:LINE: what" for its text, "sandbox: FILE: what" for the
// file itself.
class EasChannelFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file's channels, or nullopt when the sandbox holds no such file. Throws
// EasChannelFileError.
std::optional<EasChannels> ReadEasChannelFile(const Sandbox& sandbox);

}  // namespace sim
