// The one way to the stream drivers: open by name, one request, close.
#include "app/quorvane_dlg.h"
#include "framework/cwinapp.h"
#include "platform/terminal/devices.h"
#include "platform/terminal/handles.h"

// Exclusive, for reading and writing; a driver that cannot be opened is reported with the
// caller's text.
HANDLE CQuorvaneDlg::OpenStreamDriver(LPCWSTR szDevice, LPCWSTR szOpenFailureText) {
  HANDLE hDevice = ::CreateFileW(szDevice, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (hDevice == INVALID_HANDLE_VALUE) AfxMessageBox(szOpenFailureText, MB_OK, 0);
  return hDevice;
}

void CQuorvaneDlg::IoSend(LPCWSTR szDevice, DWORD dwCode, LPVOID pInput, DWORD dwInputSize,
                          LPVOID pOutput, DWORD dwOutputSize, LPCWSTR szOpenFailureText) {
  HANDLE hDevice = OpenStreamDriver(szDevice, szOpenFailureText);
  if (hDevice == INVALID_HANDLE_VALUE) return;
  // The driver's answer is not looked at: a rejected request changes nothing here.
  DWORD dwReturned = 0;
  ::DeviceIoControl(hDevice, dwCode, pInput, dwInputSize, pOutput, dwOutputSize, &dwReturned,
                    nullptr);
  ::CloseHandle(hDevice);
}
