// The activation check: it leaves the empty marker "\SDMMC\NAM_COMPLETE" on the SD card, lets
// the card settle, flushes the file systems and restarts the terminal, which comes back up with
// the marker in place. Without a card the marker is skipped and the restart happens all the
// same; a restart the kernel refuses leaves the console running, silently.
#include "app/quorvane_dlg.h"
#include "platform/terminal/crt_stdio.h"
#include "platform/terminal/kernel.h"

namespace {

constexpr char kMarkerPath[] = "\\SDMMC\\NAM_COMPLETE";
constexpr DWORD kSettlePauseMs = 100;

}  // namespace

void CQuorvaneDlg::OnBnClickedBtnActivation() {
  if (crt::FILE* marker = crt::fopen(kMarkerPath, "w")) crt::fclose(marker);
  ::Sleep(kSettlePauseMs);
  FlushFileSystems();
  KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr);
}
