// How the console's port object sets up a line, for the platform's serial tests: reads end at
// the first 100 ms pause or when its whole receive buffer could have come, writes get 5n + 5 ms.
#pragma once

#include "platform/terminal/serial.h"

namespace testing_support {

inline constexpr COMMTIMEOUTS kConsoleTimeouts{100, 1, 1, 5, 5};
inline constexpr DWORD kConsoleReceiveBuffer = 3048;

}  // namespace testing_support
