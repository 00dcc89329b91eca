// Voice calls on the CDMA modem: dial the number in the field, answer, hang up. The modem's
// answers are not awaited here; they reach the log through the serial terminal's receive path
// once the handler has returned. No call state is kept: every button may be pressed at any time.
#include <cstdio>

#include "app/quorvane_dlg.h"
#include "framework/cwinapp.h"
#include "platform/terminal/vehicle_io_codes.h"

namespace {

constexpr char kServiceQueryBeforeDial[] = "AT+CAD?\r\n";
constexpr char kServiceQueryAfterHangUp[] = "AT+CAD?\r";
constexpr char kAnswer[] = "AT$QCCAV\r";
constexpr char kHangUp[] = "AT+CHV\r\n";

// "AT+CDV", the number and "\r\n" are put together in a buffer of 100 bytes with the terminating
// zero, so a number of at most 91 bytes in the ANSI code page fits.
constexpr std::size_t kDialBufferSize = 100;
constexpr std::size_t kLongestDialledNumber = kDialBufferSize - sizeof "AT+CDV\r\n";

constexpr DWORD kServiceQueryPauseMs = 1000;

}  // namespace

void CQuorvaneDlg::OnBnClickedBtnCall() {
  CString strNumber;
  if (!NumberEntered(strNumber)) return;
  if (!m_com.m_bConnected) {
    AfxMessageBox(L"포트를 열어주세요.");
    return;
  }
  DialNumber(strNumber);
}

void CQuorvaneDlg::DialNumber(const CString& strNumber) {
  char szNumber[kLongestDialledNumber + 1] = {};
  if (!NumberForModem(strNumber, szNumber, kLongestDialledNumber,
                      L"번호가 너무 깁니다. 91자까지 걸 수 있습니다.")) {
    return;
  }

  SendATCommand(kServiceQueryBeforeDial);
  ::Sleep(kServiceQueryPauseMs);
  char szDial[kDialBufferSize] = {};
  std::snprintf(szDial, sizeof szDial, "AT+CDV%s\r\n", szNumber);
  SendATCommand(szDial);
}

void CQuorvaneDlg::OnBnClickedBtnAnswer() {
  SendATCommand(kAnswer);
  IoSend(L"ETC1:", IOCTL_ETC_NAVI_REQUEST, nullptr, 1, nullptr, 1,
         L"Navi IO Send CreateFile Error");
}

void CQuorvaneDlg::OnBnClickedBtnHangUp() { HangUp(); }

// The two commands go out back to back, with no pause.
void CQuorvaneDlg::HangUp() {
  SendATCommand(kHangUp);
  SendATCommand(kServiceQueryAfterHangUp);
}
