// What a failed file system call's errno means to the terminal's callers: the error code
// GetLastError reports after a file operation on the volumes.
#pragma once

#include "platform/terminal/win_types.h"

namespace platform::posix {

DWORD FileError(int error);

}  // namespace platform::posix
