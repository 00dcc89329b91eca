// The system calls this machine's side of the platform makes, each wrapped once: a call that
// fails hands back its name and its errno rather than leaving the errno where the next call
// overwrites it, and a call interrupted by a signal is made again. With them the two kinds of
// descriptor everything here holds: one that closes itself, and a wake-up counter that ends a
// poll on another thread.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <termios.h>

#include <cstddef>
#include <string>

namespace platform::posix {

struct CallResult {
  long value = 0;         // what the call returned, when it succeeded
  int error = 0;          // its errno, when it failed
  const char* call = "";  // the call's name, for messages
  bool ok() const { return error == 0; }
  // "open: No such file or directory"
  std::string Describe() const;
};

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
CallResult FileStatus(int fd, struct stat* status);
CallResult Ioctl(int fd, unsigned long request);
CallResult Ioctl(int fd, unsigned long request, int* argument);
CallResult LockExclusively(int fd);  // without waiting for another holder
CallResult GetAttributes(int fd, termios* settings);
CallResult SetAttributes(int fd, const termios& settings);
CallResult Flush(int fd, int queue_selector);
CallResult Read(int fd, void* buffer, std::size_t size);
CallResult Write(int fd, const void* data, std::size_t size);
// A poll cut short by a signal reports no descriptor ready. Threads wait through DescriptorWait
// (descriptor_wait.h), which polls again then.
CallResult Poll(pollfd* fds, std::size_t count, int timeout_ms);
// A descriptor from which the signals of `set` are read, once they are blocked in every thread.
CallResult SignalDescriptor(const sigset_t& set);
// A pidfd of the child `pid`, readable once the child has ended; had even for a child that has
// ended already, since it is this process's until it is waited for.
CallResult ProcessDescriptor(pid_t pid);

}  // namespace platform::posix
