// The hand-operated serial terminal: the COM radio buttons choose a port number, "1.컴포트 열기"
// (re)opens it, "3.컴포트 닫기" closes it, "SEND" writes a test line, and everything the port
// receives is shown in the log pane with a mark for blocks that begin with a modem command line.
// SendATCommand is how every modem command reaches the port.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/quorvane_dlg.h"
#include "platform/terminal/code_page.h"
#include "platform/terminal/debug_port.h"
#include "platform/terminal/vehicle_io_codes.h"

namespace {

// Port numbers below 1, and 10 (command 1037), mean that no port is chosen.
bool IsPortChosen(int nPort) { return nPort >= 1 && nPort != 10; }

// SEND's test frame for port 5: the first byte counts the bytes after it, the last is the one's
// complement of the sum of the seven before it.
constexpr BYTE kTestFrame[] = {0x07, 0x54, 0x44, 0x00, 0x32, 0x00, 0x32, 0xFC};

// A received byte as the terminal shows it: widened as a signed 8-bit value to one 16-bit unit,
// so that 0x80 to 0xFF become U+FF80 to U+FFFF.
WCHAR WidenSigned(BYTE byValue) {
  return static_cast<WCHAR>(static_cast<char16_t>(static_cast<signed char>(byValue)));
}

// A received block as text, a character for every byte.
CString WidenedText(const BYTE* abyBlock, DWORD dwCount) {
  std::wstring text(dwCount, L'\0');
  std::transform(abyBlock, abyBlock + dwCount, text.begin(), WidenSigned);
  return CString(std::move(text));
}

// The longest wide command text that is still sent; longer ones are dropped whole.
constexpr std::size_t kMaxWideCommand = 98;

// The modem's commands fit a 256-byte command buffer with their terminating zero.
constexpr int kLongestLoggedCommand = 255;

}  // namespace

void CQuorvaneDlg::OnBnClickedRadioCom1() { m_nComPort = 1; }
void CQuorvaneDlg::OnBnClickedRadioCom2() { m_nComPort = 2; }
void CQuorvaneDlg::OnBnClickedRadioCom3() { m_nComPort = 3; }
void CQuorvaneDlg::OnBnClickedRadioCom4() { m_nComPort = 4; }
void CQuorvaneDlg::OnBnClickedRadioCom5() { m_nComPort = 5; }
void CQuorvaneDlg::OnBnClickedRadioCom6() { m_nComPort = 6; }
void CQuorvaneDlg::OnBnClickedRadioComNone() { m_nComPort = 10; }

void CQuorvaneDlg::OnBnClickedBtnOpen() {
  const int nPort = m_nComPort;
  if (!IsPortChosen(nPort)) return;

  CString strLine;
  m_com.ClosePort();
  strLine.Format(L"COM%d CLOSE success \r\n", nPort);
  AppendLog(strLine);
  ::Sleep(100);

  OpenPortAndLog(nPort, nPort == 3 ? 9600 : 115200);
  IoSend(L"ETC1:", IOCTL_ETC_NAVI_REQUEST, nullptr, 1, nullptr, 1,
         L"Navi IO Send CreateFile Error");

  if (m_nComPort == 2) SendATCommand("at*rx*mdn?\r\n");
}

// 8 data bits, no parity, one stop bit; the received bytes go to this dialog.
void CQuorvaneDlg::OpenPortAndLog(int nPort, DWORD dwBaudRate) {
  CString strPortName;
  strPortName.Format(L"COM%d:", nPort);
  m_com.SetPortConfig(strPortName, dwBaudRate, 8, 0, 0);
  CString strLine;
  if (m_com.OpenPort()) {
    m_com.SetOwnerWnd(m_hWnd);
    strLine.Format(L"COM%d OPEN!! \r\n", nPort);
  } else {
    strLine.Format(L"COM%d OPEN Error!! \r\n", nPort);
  }
  AppendLog(strLine);
}

void CQuorvaneDlg::OnBnClickedBtnClose() {
  const int nPort = m_nComPort;
  if (!IsPortChosen(nPort)) return;

  m_com.ClosePort();
  CString strLine;
  strLine.Format(L"COM%d closed success \r\n", nPort);
  AppendLog(strLine);
  ::Sleep(100);
}

void CQuorvaneDlg::OnBnClickedBtnSend() {
  NKDbgPrintfW(L"OnBnClickedBtnSend():: start\r\n");
  const int nPort = m_nComPort;

  char szText[64] = {};
  const BYTE* pBlock = kTestFrame;
  DWORD dwCount = sizeof kTestFrame;
  if (nPort != 5) {
    dwCount =
        static_cast<DWORD>(std::snprintf(szText, sizeof szText, "com%d data write ok!\r\n", nPort));
    pBlock = reinterpret_cast<const BYTE*>(szText);
  }
  m_com.WriteCommBlock(pBlock, dwCount);

  CString strLine;
  strLine.Format(L"COM%d write%d \r\n", nPort, static_cast<int>(dwCount));
  AppendLog(strLine);
  NKDbgPrintfW(L"OnBnClickedBtnSend():: end\r\n");
}

LRESULT CQuorvaneDlg::OnCommRead(WPARAM wParam, LPARAM lParam) {
  // The watch thread waits while the block is copied; a count beyond the buffer is never trusted.
  BYTE abyBlock[CCom::kRecvBufSize];
  const DWORD dwCount = static_cast<DWORD>(std::min<WPARAM>(wParam, sizeof abyBlock));
  std::memcpy(abyBlock, m_com.m_abyRecvBuf, dwCount);
  const int nPort = static_cast<int>(lParam);

  CString strLine;
  if (nPort == 2) {
    strLine.Format(L"aaaaa w:%d>", static_cast<int>(dwCount));
    AppendLog(strLine);
  }
  strLine.Format(L"\r\ncom[%d] recvdatasize:%d\r\n", nPort, static_cast<int>(dwCount));
  AppendLog(strLine);

  // Only a block that begins with a command line and its carriage return gets a mark: the text
  // up to a carriage return at index 2 or 3 is tested.
  const CString strText = WidenedText(abyBlock, dwCount);
  if (dwCount > 2 && abyBlock[2] == 0x0D && strText.Left(3).Find(L"AT") >= 0) {
    AppendLog(L">>Find AT COMMAND!!\r\n");
  }
  if (dwCount > 3 && abyBlock[3] == 0x0D) {
    const CString strCommandLine = strText.Left(4);
    if (strCommandLine.Find(L"ATH") >= 0) {
      AppendLog(L"\r\n>>Find ATH COMMAND!!\r\n\r\n");
    } else if (strCommandLine.Find(L"+++") >= 0) {
      AppendLog(L"\r\n>>Find +++ COMMAND!!\r\n\r\n");
    }
  }
  AppendLog(strText);  // as a NUL-terminated text: a NUL byte ends what is shown
  AppendLog(L"\r\n");
  return 1;
}

void CQuorvaneDlg::SendATCommand(LPCWSTR szCommand) {
  const std::size_t nLength = std::wcslen(szCommand);
  if (nLength > kMaxWideCommand) return;
  char szNarrow[kMaxWideCommand + 1] = {};
  for (std::size_t i = 0; i < nLength; ++i) szNarrow[i] = static_cast<char>(szCommand[i] & 0xFF);
  m_com.WriteCommBlock(reinterpret_cast<const BYTE*>(szNarrow), static_cast<DWORD>(nLength));
}

void CQuorvaneDlg::SendATCommand(const char* szCommand) {
  m_com.WriteCommBlock(reinterpret_cast<const BYTE*>(szCommand),
                       static_cast<DWORD>(std::strlen(szCommand)));
}

void CQuorvaneDlg::SendAndLogATCommand(const char* szCommand) {
  SendATCommand(szCommand);
  WCHAR szLine[kLongestLoggedCommand + 1] = {};
  MultiByteToWideChar(CP_ACP, 0, szCommand, -1, szLine, kLongestLoggedCommand + 1);
  AppendLog(szLine);
}
