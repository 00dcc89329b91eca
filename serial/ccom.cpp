#include "serial/ccom.h"

#include <cstring>

#include "framework/cwinapp.h"
#include "platform/terminal/debug_port.h"
#include "platform/terminal/devices.h"
#include "platform/terminal/handles.h"

IMPLEMENT_DYNCREATE(CCom, CObject)

namespace {

constexpr DWORD kQueueSize = 4096;
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

// A read returns at the first pause of 100 ms in the stream; a write of n bytes gets 5n + 5 ms.
constexpr COMMTIMEOUTS kTimeouts = {100, 1, 1, 5, 5};

HANDLE CreateManualResetEvent() { return ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }

void CloseAndForget(HANDLE& handle) {
  if (handle != nullptr) ::CloseHandle(handle);
  handle = nullptr;
}

}  // namespace

CCom::CCom() = default;

CCom::~CCom() { ClosePort(); }

void CCom::SetPortConfig(CString strPortName, DWORD dwBaudRate, BYTE byByteSize, BYTE byStopBits,
                         BYTE byParity) {
  {
    std::lock_guard lock(m_portNameLock);
    m_strPortName = strPortName;
  }
  m_dwBaudRate = dwBaudRate;
  m_byByteSize = byByteSize;
  m_byStopBits = byStopBits;
  m_byParity = byParity;
}

BOOL CCom::OpenPort() {
  // An open port is closed first, so that one object never runs two watch threads or leaves a
  // handle that nothing closes.
  if (m_bConnected || m_hComm != nullptr) ClosePort();

  m_osWrite.Offset = m_osWrite.OffsetHigh = 0;
  m_osRead.Offset = m_osRead.OffsetHigh = 0;
  m_osRead.hEvent = CreateManualResetEvent();
  if (m_osRead.hEvent == nullptr) return FALSE;
  m_osWrite.hEvent = CreateManualResetEvent();
  if (m_osWrite.hEvent == nullptr) {
    CloseAndForget(m_osRead.hEvent);
    return FALSE;
  }

  CString strPortName;
  {
    std::lock_guard lock(m_portNameLock);
    strPortName = m_strPortName;
  }
  m_hComm = ::CreateFileW(strPortName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  if (m_hComm == INVALID_HANDLE_VALUE) {
    CString strError;
    strError.Format(L"c:%d", static_cast<int>(::GetLastError()));
    AfxMessageBox(strError);
    m_hComm = nullptr;
    m_bConnected = FALSE;
    return FALSE;
  }

  ::SetupComm(m_hComm, kQueueSize, kQueueSize);
  ::SetCommMask(m_hComm, EV_RXCHAR);
  ::PurgeComm(m_hComm, kPurgeAll);
  COMMTIMEOUTS timeouts = kTimeouts;
  ::SetCommTimeouts(m_hComm, &timeouts);

  DCB dcb = {};
  dcb.DCBlength = sizeof(DCB);
  ::GetCommState(m_hComm, &dcb);
  dcb.BaudRate = m_dwBaudRate;
  dcb.ByteSize = m_byByteSize;
  dcb.Parity = m_byParity;
  dcb.StopBits = m_byStopBits;
  dcb.fBinary = 1;
  dcb.fParity = 1;
  dcb.fNull = 0;
  if (!::SetCommState(m_hComm, &dcb)) {
    AfxMessageBox(L"Connect Failed. DCB Setting Error");
    m_bConnected = FALSE;
    CloseAndForget(m_hComm);
    return FALSE;
  }

  // The run flag is set before the thread starts, so that its first test succeeds.
  m_bConnected = TRUE;
  m_pWatchThread = AfxBeginThread(CommWatchProc, this, THREAD_PRIORITY_NORMAL, 0, 0, nullptr);
  if (m_pWatchThread == nullptr) {
    AfxMessageBox(L"Thread Run Fail");
    ClosePort();
    m_bConnected = FALSE;
  }
  return m_bConnected;
}

void CCom::SetOwnerWnd(HWND hWnd) { m_hWndOwner = hWnd; }

BOOL CCom::ClosePort() {
  m_bConnected = FALSE;
  ::Sleep(10);
  if (m_hComm != nullptr) {
    ::SetCommMask(m_hComm, 0);  // ends the watch thread's pending wait
    ::EscapeCommFunction(m_hComm, CLRDTR);
    ::PurgeComm(m_hComm, kPurgeAll);  // ends its read in progress
    ::Sleep(10);
    // Closing also fails every call the thread makes from now on, so a line that keeps receiving
    // cannot keep it reading. The handle value stays until the thread has ended: it names
    // nothing any more, and the thread may still be looking at it.
    ::CloseHandle(m_hComm);
  }
  if (m_pWatchThread) {
    m_pWatchThread->Join();
    m_pWatchThread.reset();
  }
  m_hComm = nullptr;
  CloseAndForget(m_osRead.hEvent);
  CloseAndForget(m_osWrite.hEvent);
  return TRUE;
}

DWORD CCom::ReadCommBlock(DWORD dwOffset) {
  DWORD dwErrorFlags = 0;
  COMSTAT comstat = {};
  ::ClearCommError(m_hComm, &dwErrorFlags, &comstat);
  if (comstat.cbInQue == 0 || dwOffset >= kRecvBufSize) return 0;

  DWORD dwRead = 0;
  if (!::ReadFile(m_hComm, m_abyRecvBuf + dwOffset, kRecvBufSize - dwOffset, &dwRead, &m_osRead) &&
      ::GetLastError() != ERROR_IO_PENDING) {
    dwRead = 0;
    ::ClearCommError(m_hComm, &dwErrorFlags, &comstat);
  }
  return dwRead;
}

DWORD CCom::WriteCommBlock(const BYTE* pData, DWORD dwLength) {
  DWORD dwWritten = 0;
  if (::WriteFile(m_hComm, pData, dwLength, &dwWritten, &m_osWrite)) {
    NKDbgPrintfW(L"WriteCommBlock():: dwWritten=%d\r\n", dwWritten);
  } else if (const DWORD dwError = ::GetLastError(); dwError == ERROR_IO_PENDING) {
    NKDbgPrintfW(L"WriteCommBlock():: error::ERROR_IO_PENDING\r\n");
  } else {
    NKDbgPrintfW(L"WriteCommBlock():: error=%d\r\n", dwError);
    dwWritten = 0;
    DWORD dwErrorFlags = 0;
    COMSTAT comstat = {};
    ::ClearCommError(m_hComm, &dwErrorFlags, &comstat);
  }
  NKDbgPrintfW(L"WriteCommBlock()::dwWritten=%d\r\n", dwWritten);
  return dwWritten;
}

int CCom::PortNumber() const {
  std::lock_guard lock(m_portNameLock);
  return m_strPortName.GetLength() > 3 ? m_strPortName.GetAt(3) - L'0' : 0;
}

void CCom::NotifyOwner(DWORD dwCount, int nPort) const {
  // A burst read after the close began is dropped, so that the owner hears nothing once
  // ClosePort has returned; one already handed over is handled while ClosePort waits.
  if (m_bConnected) ::SendMessageW(m_hWndOwner, WM_COMM_READ, dwCount, nPort);
}

UINT CCom::CommWatchProc(LPVOID pParam) {
  auto* pObject = static_cast<CObject*>(pParam);
  if (pObject == nullptr || !pObject->IsKindOf(RUNTIME_CLASS(CCom))) return 0xFFFFFFFF;
  auto* pCom = static_cast<CCom*>(pObject);

  HANDLE hEvent = CreateManualResetEvent();
  if (hEvent == nullptr) {
    ::MessageBoxW(nullptr, L"Failed to create event for thread!", L"com Error!",
                  MB_ICONEXCLAMATION | MB_OK);
    return 0;
  }
  if (!::SetCommMask(pCom->m_hComm, EV_RXCHAR)) {
    // A port closed before the thread got this far has simply ended its run.
    if (pCom->m_bConnected) AfxMessageBox(L"CommWatchProc Exit 3nd if");
    ::CloseHandle(hEvent);
    return 0;
  }
  const int nPort = pCom->PortNumber();

  while (pCom->m_bConnected) {
    DWORD dwEvent = 0;
    ::WaitCommEvent(pCom->m_hComm, &dwEvent, nullptr);
    if (dwEvent & EV_RXCHAR) {
      // Later reads of a burst go behind the earlier ones; a full buffer is handed over at once,
      // so no byte is overwritten before the owner has it. The run flag is tested before every
      // read too, as a line that never pauses would otherwise keep the thread reading.
      DWORD dwTotal = 0;
      for (DWORD dwRead; pCom->m_bConnected && (dwRead = pCom->ReadCommBlock(dwTotal)) != 0;) {
        dwTotal += dwRead;
        if (dwTotal == kRecvBufSize) {
          pCom->NotifyOwner(dwTotal, nPort);
          dwTotal = 0;
        }
      }
      if (dwTotal != 0) pCom->NotifyOwner(dwTotal, nPort);
    } else if (dwEvent & EV_ERR) {
      DWORD dwErrorFlags = 0;
      COMSTAT comstat = {};
      ::ClearCommError(pCom->m_hComm, &dwErrorFlags, &comstat);
      ::PurgeComm(pCom->m_hComm, kPurgeAll);
      DWORD dwFirstWord = 0;
      static_assert(sizeof comstat >= sizeof dwFirstWord);
      std::memcpy(&dwFirstWord, &comstat, sizeof dwFirstWord);
      NKDbgPrintfW(L"SerialThreadProc()::dwErrorFlags=%d,comstat=%d\r\n", dwErrorFlags,
                   dwFirstWord);
    }
  }
  ::CloseHandle(hEvent);
  return 1;
}
