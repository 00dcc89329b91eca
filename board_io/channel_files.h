// The EAS channels on a real board: twelve files, one a channel, each holding the channel's raw
// reading as decimal text (an IIO `in_voltageY_raw`). A read takes all twelve or none: one file
// that fails refuses the whole read, as a block half from the files would mislead.
#pragma once

#include <array>
#include <cstdint>
#include <variant>

#include "board_io/file_fault.h"
#include "board_io/file_settings.h"

namespace board_io {

using ChannelValues = std::array<std::uint32_t, kChannelCount>;

// Every file is read, so that each fault is told (once) to `teller`; the first fault refuses.
std::variant<ChannelValues, FileFault> ReadChannels(const ChannelFiles& files, FaultTeller& teller);

}  // namespace board_io
