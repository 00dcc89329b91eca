// Line speeds as termios knows them: a fixed set of codes (B9600, B115200, ...), each standing
// for one rate in bits per second. A rate outside the set has no code and is not offered; the
// serial ports refuse it rather than run the line at some other speed.
#pragma once

#include <termios.h>

#include <optional>

#include "platform/terminal/win_types.h"

namespace platform {

std::optional<speed_t> SpeedCode(DWORD bits_per_second);
// 0 for a code outside the set (B0, the hang-up speed, among them).
DWORD BitsPerSecond(speed_t code);

}  // namespace platform
