// The system calls the serial ports make, each wrapped once: a call that fails hands back its
// errno rather than leaving it where the next call overwrites it, and a call interrupted by a
// signal is made again. With them the two kinds of descriptor a port holds: one that closes
// itself, and a wake-up counter that ends a poll on another thread.
#pragma once

#include <poll.h>
#include <termios.h>

#include <cstddef>

namespace platform::posix {

struct CallResult {
  long value = 0;  // what the call returned, when it succeeded
  int error = 0;   // its errno, when it failed
  bool ok() const { return error == 0; }
};

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd();
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }

 private:
  int fd_ = -1;
};

// An eventfd: Raise makes it readable, Drain makes it quiet again. One thread drains it; any
// thread may raise it.
class WakeFd {
 public:
  // With an invalid descriptor when the system gives none; see error().
  WakeFd();
  int error() const { return error_; }
  int fd() const { return fd_.get(); }
  void Raise() const;
  void Drain() const;

 private:
  UniqueFd fd_;
  int error_ = 0;
};

CallResult Open(const char* path, int flags);
CallResult Ioctl(int fd, unsigned long request);
CallResult Ioctl(int fd, unsigned long request, int* argument);
CallResult LockExclusively(int fd);  // without waiting for another holder
CallResult GetAttributes(int fd, termios* settings);
CallResult SetAttributes(int fd, const termios& settings);
CallResult Flush(int fd, int queue_selector);
CallResult Read(int fd, void* buffer, std::size_t size);
CallResult Write(int fd, const void* data, std::size_t size);
// A poll cut short by a signal reports no descriptor ready; callers poll again.
CallResult Poll(pollfd* fds, std::size_t count, int timeout_ms);

}  // namespace platform::posix
