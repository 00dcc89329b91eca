// One open serial port on a tty of this machine: the object behind a "COMn:" handle. It holds the
// tty for itself alone (TIOCEXCL keeps out other openers, an exclusive flock keeps out other
// holders, root included, whom TIOCEXCL lets through), runs it raw for the length of the open and
// gives the tty its old settings back when it goes. Reads, writes and event waits sleep in poll
// beside a wake-up descriptor, so that a change of the event mask, a purge or the handle's close
// ends them at once from another thread.
//
// When the far end goes (a pseudo-terminal's master closed, a USB adapter unplugged) the tty is
// hung up for good: reads and status calls fail with ERROR_GEN_FAILURE, and an event wait sleeps,
// looking at the line again every kLineCheckInterval, instead of spinning on a descriptor that is
// always ready. Closing the handle and opening the port again work as usual.
//
// Not a terminal: no line discipline, no modem-status events and no line-error counts.
#pragma once

#include <termios.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>

#include "platform/linux/posix_calls.h"
#include "platform/terminal/serial.h"

namespace platform {

class SerialPort {
 public:
  static constexpr std::chrono::milliseconds kLineCheckInterval{200};

  // The open port, or the reason it cannot be had: ERROR_FILE_NOT_FOUND for a path that is no
  // tty of this machine, ERROR_SHARING_VIOLATION for a tty another handle or process holds,
  // ERROR_ACCESS_DENIED for one this process may not open.
  struct Opening {
    std::shared_ptr<SerialPort> port;
    DWORD error = ERROR_SUCCESS;
  };
  static Opening Open(const std::filesystem::path& tty);

  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // The calls of serial.h; those that can fail return ERROR_SUCCESS or the platform error.
  void SetEventMask(DWORD mask);
  DWORD WaitEvent(DWORD* events);
  DWORD Status(COMSTAT* status) const;
  DWORD Purge(DWORD flags);
  DWORD Escape(DWORD function) const;
  DWORD GetState(DCB* dcb) const;
  DWORD SetState(const DCB& dcb);
  void SetTimeouts(const COMMTIMEOUTS& timeouts);
  DWORD Read(void* buffer, DWORD size, DWORD* bytes_read);
  DWORD Write(const void* data, DWORD size, DWORD* bytes_written);

  // The handle's close: ends every call in progress with ERROR_OPERATION_ABORTED and every later
  // read, write and wait likewise. The tty itself closes with the object.
  void Shut();

  // For tests that look inside: how many event waits have taken their mask and begun to wait,
  // and how many times they have woken since (a gone line must not make them spin).
  struct WaitCounts {
    std::uint64_t begun = 0;
    std::uint64_t wakeups = 0;
  };
  WaitCounts wait_counts() const { return {waits_begun_, wait_wakeups_}; }

 private:
  struct Key {};

 public:
  SerialPort(Key, posix::UniqueFd tty, const termios& saved);

 private:
  enum class LineSignal { kDown, kUp };

  // Raises or drops a modem line (TIOCM_DTR, TIOCM_RTS).
  DWORD SetModemLine(int line, LineSignal signal) const;
  // Whether the line is hung up, without waiting.
  bool LineIsGone() const;
  // Whether the port was shut, or the calls counted by `aborts` were aborted, since that count
  // was `seen`.
  bool Interrupted(const std::uint64_t& aborts, std::uint64_t seen) const;
  COMMTIMEOUTS timeouts() const;

  const posix::UniqueFd tty_;
  const termios saved_;
  // One wake-up descriptor per kind of call; a kind's calls run one at a time, so each descriptor
  // has one thread that drains it.
  const posix::WakeFd event_wake_;
  const posix::WakeFd read_wake_;
  const posix::WakeFd write_wake_;
  std::mutex wait_call_;
  std::mutex read_call_;
  std::mutex write_call_;

  mutable std::mutex state_mutex_;
  DWORD event_mask_ = 0;
  std::uint64_t mask_changes_ = 0;
  std::uint64_t read_aborts_ = 0;
  std::uint64_t write_aborts_ = 0;
  bool shut_ = false;
  COMMTIMEOUTS timeouts_{};
  DCB kept_dcb_;  // as last set; its tty fields are read from the tty
  std::atomic<std::uint64_t> waits_begun_{0};
  std::atomic<std::uint64_t> wait_wakeups_{0};
};

}  // namespace platform
