// The terminal platform's serial API, as much of it as the console's port object uses: records
// laid out as the platform lays them out, the constants by their platform values, and the calls
// on a handle that CreateFileW gave for a "COMn:" name. Behind the handle is a tty of this machine
// (serial_port_posix.h); what a tty cannot do is said at the call.
//
// Handles are synchronous: an OVERLAPPED record passed to ReadFile or WriteFile is only carried
// along (its event is signalled and its count set when the call returns), the call itself
// completes before it returns.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/terminal/win_types.h"

inline constexpr DWORD MAXDWORD = 0xFFFFFFFF;

// Line settings.
struct DCB {
  DWORD DCBlength;
  DWORD BaudRate;
  DWORD fBinary : 1;
  DWORD fParity : 1;
  DWORD fOutxCtsFlow : 1;
  DWORD fOutxDsrFlow : 1;
  DWORD fDtrControl : 2;
  DWORD fDsrSensitivity : 1;
  DWORD fTXContinueOnXoff : 1;
  DWORD fOutX : 1;
  DWORD fInX : 1;
  DWORD fErrorChar : 1;
  DWORD fNull : 1;
  DWORD fRtsControl : 2;
  DWORD fAbortOnError : 1;
  DWORD fDummy2 : 17;
  WORD wReserved;
  WORD XonLim;
  WORD XoffLim;
  BYTE ByteSize;
  BYTE Parity;
  BYTE StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  WORD wReserved1;
};
static_assert(sizeof(DCB) == 28 && offsetof(DCB, XonLim) == 14 && offsetof(DCB, ByteSize) == 18 &&
              offsetof(DCB, EvtChar) == 25);

inline constexpr BYTE NOPARITY = 0;
inline constexpr BYTE ODDPARITY = 1;
inline constexpr BYTE EVENPARITY = 2;
inline constexpr BYTE MARKPARITY = 3;
inline constexpr BYTE SPACEPARITY = 4;
inline constexpr BYTE ONESTOPBIT = 0;
inline constexpr BYTE ONE5STOPBITS = 1;
inline constexpr BYTE TWOSTOPBITS = 2;
inline constexpr DWORD DTR_CONTROL_DISABLE = 0;
inline constexpr DWORD DTR_CONTROL_ENABLE = 1;
inline constexpr DWORD DTR_CONTROL_HANDSHAKE = 2;
inline constexpr DWORD RTS_CONTROL_DISABLE = 0;
inline constexpr DWORD RTS_CONTROL_ENABLE = 1;
inline constexpr DWORD RTS_CONTROL_HANDSHAKE = 2;
inline constexpr DWORD RTS_CONTROL_TOGGLE = 3;

// Timeouts in milliseconds; see comm_timeouts.h for how they end a read or a write.
struct COMMTIMEOUTS {
  DWORD ReadIntervalTimeout;
  DWORD ReadTotalTimeoutMultiplier;
  DWORD ReadTotalTimeoutConstant;
  DWORD WriteTotalTimeoutMultiplier;
  DWORD WriteTotalTimeoutConstant;
};

// The port's status: the hold flags in the first word, then the queues' fill.
struct COMSTAT {
  DWORD fCtsHold : 1;
  DWORD fDsrHold : 1;
  DWORD fRlsdHold : 1;
  DWORD fXoffHold : 1;
  DWORD fXoffSent : 1;
  DWORD fEof : 1;
  DWORD fTxim : 1;
  DWORD fReserved : 25;
  DWORD cbInQue;
  DWORD cbOutQue;
};
static_assert(sizeof(COMSTAT) == 12 && offsetof(COMSTAT, cbInQue) == 4);

struct OVERLAPPED {
  std::uintptr_t Internal;      // the call's status: 0 once it has succeeded
  std::uintptr_t InternalHigh;  // bytes transferred
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;  // signalled when the call returns; may be null
};

// Events (SetCommMask, WaitCommEvent).
inline constexpr DWORD EV_RXCHAR = 0x0001;
inline constexpr DWORD EV_ERR = 0x0080;

// Line errors (ClearCommError).
inline constexpr DWORD CE_RXOVER = 0x0001;
inline constexpr DWORD CE_OVERRUN = 0x0002;
inline constexpr DWORD CE_RXPARITY = 0x0004;
inline constexpr DWORD CE_FRAME = 0x0008;
inline constexpr DWORD CE_BREAK = 0x0010;

// PurgeComm.
inline constexpr DWORD PURGE_TXABORT = 0x0001;
inline constexpr DWORD PURGE_RXABORT = 0x0002;
inline constexpr DWORD PURGE_TXCLEAR = 0x0004;
inline constexpr DWORD PURGE_RXCLEAR = 0x0008;

// EscapeCommFunction.
inline constexpr DWORD SETDTR = 5;
inline constexpr DWORD CLRDTR = 6;

// The driver's queue sizes are recommendations; a tty keeps the kernel's own.
BOOL SetupComm(HANDLE port, DWORD input_queue, DWORD output_queue);
// Which events WaitCommEvent waits for. Any change, 0 included, ends a wait in progress at once
// with an event word of 0.
BOOL SetCommMask(HANDLE port, DWORD mask);
// Waits until an event of the mask occurs. Of the events only EV_RXCHAR is ever reported: while
// the input queue holds bytes, so a caller reads it empty before it waits again. With a mask of 0
// it fails at once (ERROR_INVALID_PARAMETER). While the line is gone the wait goes on until the
// mask changes or the handle is closed, looking at the line now and then.
BOOL WaitCommEvent(HANDLE port, DWORD* events, OVERLAPPED* overlapped);
// Reports the error word and the status. A tty in raw mode reports no line errors, so the word is
// always 0; cbInQue and cbOutQue are the bytes waiting in the tty's queues.
BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status);
// The CLEAR flags empty the queues; the ABORT flags end reads and writes in progress on other
// threads, which then fail with ERROR_OPERATION_ABORTED.
BOOL PurgeComm(HANDLE port, DWORD flags);
// SETDTR and CLRDTR. A tty without modem lines (a pseudo-terminal) has no DTR: the call then
// fails with ERROR_NOT_SUPPORTED and changes nothing.
BOOL EscapeCommFunction(HANDLE port, DWORD function);
// The tty's current settings. Flow control, XON/XOFF characters, speed and framing come from the
// tty; the fields a tty has no notion of (XonLim, XoffLim, ErrorChar, EofChar, EvtChar,
// fTXContinueOnXoff, fAbortOnError) read back as they were last set.
BOOL GetCommState(HANDLE port, DCB* dcb);
// Applies a DCB, or fails with ERROR_INVALID_PARAMETER and leaves the tty as it was when the tty
// cannot honour it: a speed without a standard code or that the tty does not take, ByteSize
// outside 5 to 8, 1.5 stop bits, mark or space parity without tty support, non-binary mode, null
// stripping, error replacement, DSR flow control or sensitivity, DTR handshake, RTS toggle,
// CTS flow control without RTS handshake or the reverse, equal XON and XOFF characters in use.
BOOL SetCommState(HANDLE port, const DCB* dcb);
BOOL SetCommTimeouts(HANDLE port, const COMMTIMEOUTS* timeouts);

// Reads and writes on a serial port handle (the only handles they take), bounded by the port's
// timeouts. A read or write that runs out of time succeeds with the bytes moved so far.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, DWORD* bytes_read, OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, const void* data, DWORD size, DWORD* bytes_written,
               OVERLAPPED* overlapped);

namespace platform {

class SerialPort;

// For CreateFileW: opens the tty for this process alone and gives its handle, or
// INVALID_HANDLE_VALUE with the reason as last error (serial_port_posix.h). `port_name` ("COM1")
// names the port in the session's record.
HANDLE OpenSerialPortHandle(const std::filesystem::path& tty, std::string port_name);
// The port behind a handle, or null; for tests that look inside.
std::shared_ptr<SerialPort> SerialPortOf(HANDLE handle);

}  // namespace platform
