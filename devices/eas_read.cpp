// The EAS channels behind "EAS1:": one request returns twelve 32-bit channel values, printed two
// a line in hexadecimal; channels 5 to 7 also go out on the open serial port as one line.
#include <cstdio>
#include <cstring>

#include "app/quorvane_dlg.h"
#include "platform/terminal/devices.h"
#include "platform/terminal/handles.h"
#include "platform/terminal/vehicle_io_codes.h"
#include "platform/terminal/wide_format.h"

namespace {

// Channel n (1 to 12) of the driver's block, little-endian as the terminal's processor keeps it.
DWORD Channel(const BYTE (&abyBlock)[EAS_BLOCK_SIZE], int n) {
  const BYTE* pValue = abyBlock + (n - 1) * 4;
  return DWORD{pValue[0]} | DWORD{pValue[1]} << 8 | DWORD{pValue[2]} << 16 | DWORD{pValue[3]} << 24;
}

}  // namespace

// Without the driver every channel reads 0 and everything is still printed and sent.
void CQuorvaneDlg::OnBnClickedBtnEasRead() {
  HANDLE hDevice = OpenStreamDriver(L"EAS1:", L"EAS IO Send CreateFile Error");
  m_dwEtcIoctl = IOCTL_EAS_READ;

  BYTE abyBlock[EAS_BLOCK_SIZE] = {};
  if (hDevice != INVALID_HANDLE_VALUE) {
    DWORD dwInput = 0;
    DWORD dwReturned = 0;
    ::DeviceIoControl(hDevice, IOCTL_EAS_READ, &dwInput, sizeof dwInput, abyBlock, sizeof abyBlock,
                      &dwReturned, nullptr);
  }

  WCHAR szLine[2048] = {};
  wsprintfW(szLine, L"EAS ch[1]=%x ,ch[2]=%x \r\n", Channel(abyBlock, 1), Channel(abyBlock, 2));
  AppendLog(szLine);

  char szSerialLine[2048] = {};
  std::snprintf(szSerialLine, sizeof szSerialLine, "EAS ch[5]=%x ,ch[6]=%x,ch[7]=%x \r\n",
                static_cast<unsigned>(Channel(abyBlock, 5)),
                static_cast<unsigned>(Channel(abyBlock, 6)),
                static_cast<unsigned>(Channel(abyBlock, 7)));
  m_com.WriteCommBlock(reinterpret_cast<const BYTE*>(szSerialLine),
                       static_cast<DWORD>(std::strlen(szSerialLine)));

  for (int n = 3; n <= 11; n += 2) {
    wsprintfW(szLine, L"EAS ch[%d]=%x ,ch[%d]=%x \r\n", n, Channel(abyBlock, n), n + 1,
              Channel(abyBlock, n + 1));
    AppendLog(szLine);
  }
  if (hDevice != INVALID_HANDLE_VALUE) ::CloseHandle(hDevice);
}
