// Registering the terminal's own number (the MDN) in the CDMA modem: service mode with the fixed
// access code, the number from the number field, then a reset of the modem, 2000 ms apart on the
// user-interface thread. Each command is sent, then logged and followed by an empty line; the
// modem's answers reach the log only once the sequence has returned.
#include <cstdio>

#include "app/quorvane_dlg.h"

namespace {

// The same for every terminal; it travels in clear and is logged like every command.
constexpr char kServiceModeAccessCode[] = "#120437586#315#";
constexpr char kModemReset[] = "AT*KVX*RESET\r\n";

// "AT*RX*MDN=", the number, "\r\n" and the terminating zero share a 256-byte command buffer, so
// a number of at most 243 bytes in the ANSI code page fits.
constexpr std::size_t kCommandBufferSize = 256;
constexpr std::size_t kLongestRegisteredNumber = kCommandBufferSize - sizeof "AT*RX*MDN=\r\n";

constexpr DWORD kStepPauseMs = 2000;

}  // namespace

void CQuorvaneDlg::OnBnClickedBtnRegisterMdn() {
  CString strNumber;
  if (!NumberEntered(strNumber)) return;
  char szNumber[kLongestRegisteredNumber + 1] = {};
  if (!NumberForModem(strNumber, szNumber, kLongestRegisteredNumber,
                      L"번호가 너무 깁니다. 243자까지 등록할 수 있습니다.")) {
    return;
  }

  char szCommand[kCommandBufferSize] = {};
  std::snprintf(szCommand, sizeof szCommand, "AT*RX*SVCMODE=%s\r\n", kServiceModeAccessCode);
  SendLogAndPause(szCommand);
  std::snprintf(szCommand, sizeof szCommand, "AT*RX*MDN=%s\r\n", szNumber);
  SendLogAndPause(szCommand);
  SendLogAndPause(kModemReset);
}

void CQuorvaneDlg::SendLogAndPause(const char* szCommand) {
  SendAndLogATCommand(szCommand);
  AppendLog(L"\r\n");
  ::Sleep(kStepPauseMs);
}
