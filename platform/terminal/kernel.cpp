#include "platform/terminal/kernel.h"

#include "platform/ports/board.h"

BOOL KernelIoControl(DWORD dwIoControlCode, LPVOID /*lpInBuf*/, DWORD /*nInBufSize*/,
                     LPVOID /*lpOutBuf*/, DWORD /*nOutBufSize*/, DWORD* lpBytesReturned) {
  if (lpBytesReturned != nullptr) *lpBytesReturned = 0;
  const auto& restart = platform::CurrentBoard().restart;
  if (dwIoControlCode != IOCTL_HAL_REBOOT || !restart) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  return restart() ? TRUE : FALSE;
}
