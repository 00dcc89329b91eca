// The kernel's own calls: the flush of every file system's caches before the power may go, and
// the control requests to the kernel itself, of which the terminal knows the warm restart. What a
// restart does is the board's business (platform/ports/board.h).
#pragma once

#include "platform/terminal/win_types.h"

inline constexpr DWORD IOCTL_HAL_REBOOT = 0x0101003C;

// Writes what the file systems still hold in memory to their media; waits until it is done.
void FlushFileSystems();

// IOCTL_HAL_REBOOT asks the board to restart the terminal; TRUE when the restart is on its way.
// FALSE with ERROR_NOT_SUPPORTED for any other code or a board that cannot restart, and with the
// board's error when its restart failed.
BOOL KernelIoControl(DWORD dwIoControlCode, LPVOID lpInBuf, DWORD nInBufSize, LPVOID lpOutBuf,
                     DWORD nOutBufSize, DWORD* lpBytesReturned);
