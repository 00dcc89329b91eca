// The serial port object: it keeps one port's name and line settings, opens and configures the
// port, runs a watch thread that reads what arrives into the object's receive buffer and hands
// each burst to the owner window as WM_COMM_READ, writes blocks, and closes the port again. The
// console holds exactly one, so only one port is open at a time.
//
// The watch thread hands a burst over with SendMessageW and waits until the owner has copied it,
// so the receive buffer is never written while the owner reads it. ClosePort and the destructor
// close the handle, which ends the thread's wait or read at once however busy the line, and then
// wait for the thread to end, handling a notification it already sent: the thread never outlives
// the buffer it reads into, closing from the owner's thread cannot deadlock, and no burst reaches
// the owner after ClosePort has returned.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "framework/cobject.h"
#include "framework/cstring.h"
#include "framework/cwinthread.h"
#include "platform/terminal/events.h"
#include "platform/terminal/serial.h"

// Received bytes: wParam the count at the start of the receive buffer, lParam the port number.
inline constexpr UINT WM_COMM_READ = WM_USER + 1;

class CCom : public CObject {
  DECLARE_DYNCREATE(CCom)

 public:
  static constexpr DWORD kRecvBufSize = 3048;

  CCom();
  ~CCom() override;
  CCom(const CCom&) = delete;
  CCom& operator=(const CCom&) = delete;

  void SetPortConfig(CString strPortName, DWORD dwBaudRate, BYTE byByteSize, BYTE byStopBits,
                     BYTE byParity);
  BOOL OpenPort();
  void SetOwnerWnd(HWND hWnd);
  BOOL ClosePort();
  // Reads what the driver holds into the receive buffer from `dwOffset` on; the count read.
  DWORD ReadCommBlock(DWORD dwOffset = 0);
  DWORD WriteCommBlock(const BYTE* pData, DWORD dwLength);
  static UINT CommWatchProc(LPVOID pParam);

  HANDLE m_hComm = nullptr;
  std::atomic<BOOL> m_bConnected{FALSE};
  std::atomic<HWND> m_hWndOwner{nullptr};
  CString m_strPortName;
  BYTE m_byByteSize = 8;
  BYTE m_byParity = 0;
  BYTE m_byStopBits = 0;
  DWORD m_dwBaudRate = 0;
  OVERLAPPED m_osWrite = {};
  OVERLAPPED m_osRead = {};
  BYTE m_abyRecvBuf[kRecvBufSize] = {};

 private:
  // Reports a burst of `dwCount` bytes at the start of the receive buffer to the owner.
  void NotifyOwner(DWORD dwCount, int nPort) const;
  int PortNumber() const;

  std::unique_ptr<CWinThread> m_pWatchThread;
  // The watch thread reads the name once as it starts, while SetPortConfig may already be
  // preparing the next open on the user-interface thread.
  mutable std::mutex m_portNameLock;
};
