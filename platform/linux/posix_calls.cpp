#include "platform/linux/posix_calls.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/linux/retried.h"

namespace platform::posix {

std::string CallResult::Describe() const { return std::string(call) + ": " + std::strerror(error); }

UniqueFd::~UniqueFd() { reset(); }

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) reset(other.release());
  return *this;
}

int UniqueFd::release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void UniqueFd::reset(int fd) {
  // Linux closes the descriptor even when close reports EINTR, so it is never closed again.
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

WakeFd::WakeFd() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_.get() < 0) error_ = errno;
}

void WakeFd::Raise() const {
  const std::uint64_t one = 1;
  // Only a counter at its limit refuses, and that counter is readable already.
  Retried("write", [&] { return ::write(fd_.get(), &one, sizeof one); });
}

void WakeFd::Drain() const {
  std::uint64_t count = 0;
  // EAGAIN: nothing to drain.
  Retried("read", [&] { return ::read(fd_.get(), &count, sizeof count); });
}

CallResult Open(const char* path, int flags) {
  return Retried("open", [&] { return ::open(path, flags); });
}

CallResult FileStatus(int fd, struct stat* status) {
  return Retried("fstat", [&] { return ::fstat(fd, status); });
}

CallResult Ioctl(int fd, unsigned long request) {
  return Retried("ioctl", [&] { return ::ioctl(fd, request); });
}

CallResult Ioctl(int fd, unsigned long request, int* argument) {
  return Retried("ioctl", [&] { return ::ioctl(fd, request, argument); });
}

CallResult LockExclusively(int fd) {
  return Retried("flock", [&] { return ::flock(fd, LOCK_EX | LOCK_NB); });
}

CallResult GetAttributes(int fd, termios* settings) {
  return Retried("tcgetattr", [&] { return ::tcgetattr(fd, settings); });
}

CallResult SetAttributes(int fd, const termios& settings) {
  return Retried("tcsetattr", [&] { return ::tcsetattr(fd, TCSANOW, &settings); });
}

CallResult Flush(int fd, int queue_selector) {
  return Retried("tcflush", [&] { return ::tcflush(fd, queue_selector); });
}

CallResult Read(int fd, void* buffer, std::size_t size) {
  return Retried("read", [&] { return ::read(fd, buffer, size); });
}

CallResult Write(int fd, const void* data, std::size_t size) {
  return Retried("write", [&] { return ::write(fd, data, size); });
}

CallResult Poll(pollfd* fds, std::size_t count, int timeout_ms) {
  const int ready = ::poll(fds, count, timeout_ms);
  if (ready != -1) return {ready, 0, "poll"};
  if (errno == EINTR) {
    for (std::size_t i = 0; i < count; ++i) fds[i].revents = 0;
    return {0, 0, "poll"};
  }
  return {0, errno, "poll"};
}

CallResult SignalDescriptor(const sigset_t& set) {
  return Retried("signalfd", [&] { return ::signalfd(-1, &set, SFD_CLOEXEC); });
}

CallResult ProcessDescriptor(pid_t pid) {
  // Through syscall: this C library's header declares pidfd_open without C linkage.
  return Retried("pidfd_open", [&] { return ::syscall(SYS_pidfd_open, pid, 0); });
}

}  // namespace platform::posix
