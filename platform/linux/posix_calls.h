// The system calls this machine's side of the platform makes, each wrapped once: a call that
// fails hands back its name and its errno rather than leaving the errno where the next call
// overwrites it, and a call interrupted by a signal is made again. With them the two kinds of
// descriptor everything here holds: one that closes itself, and a wake-up counter that ends a
// poll on another thread.
#pragma once

#include <poll.h>
#include <termios.h>

#include <cerrno>
#include <cstddef>
#include <string>

namespace platform::posix {

struct CallResult {
  long value = 0;          // what the call returned, when it succeeded
  int error = 0;           // its errno, when it failed
  const char* call = "";   // the call's name, for messages
  bool ok() const { return error == 0; }
  // "open: No such file or directory"
  std::string Describe() const;
};

// Makes `call` (a system call that returns -1 and sets errno when it fails) and makes it again
// while a signal interrupts it. For the wrappers here and in socket_calls.h.
template <class Call>
CallResult Retried(const char* name, Call call) {
  for (;;) {
    const long value = call();
    if (value != -1) return {value, 0, name};
    if (errno != EINTR) return {0, errno, name};
  }
}

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd();
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  // Hands the descriptor over without closing it.
  int release();
  // Closes the held descriptor and holds `fd` instead.
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

// An eventfd: Raise makes it readable, Drain makes it quiet again. One thread drains it; any
// thread may raise it. Never drained, it stays raised: a stop signal for every poll that
// watches it.
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
