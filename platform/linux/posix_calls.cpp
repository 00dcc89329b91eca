#include "platform/linux/posix_calls.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace platform::posix {

namespace {

template <class Call>
CallResult Retried(Call call) {
  for (;;) {
    const long value = call();
    if (value != -1) return {value, 0};
    if (errno != EINTR) return {0, errno};
  }
}

}  // namespace

UniqueFd::~UniqueFd() {
  if (fd_ >= 0) ::close(fd_);
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

WakeFd::WakeFd() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_.get() < 0) error_ = errno;
}

void WakeFd::Raise() const {
  const std::uint64_t one = 1;
  // Only a counter at its limit refuses, and that counter is readable already.
  Retried([&] { return ::write(fd_.get(), &one, sizeof one); });
}

void WakeFd::Drain() const {
  std::uint64_t count = 0;
  Retried([&] { return ::read(fd_.get(), &count, sizeof count); });  // EAGAIN: nothing to drain
}

CallResult Open(const char* path, int flags) {
  return Retried([&] { return ::open(path, flags); });
}

CallResult Ioctl(int fd, unsigned long request) {
  return Retried([&] { return ::ioctl(fd, request); });
}

CallResult Ioctl(int fd, unsigned long request, int* argument) {
  return Retried([&] { return ::ioctl(fd, request, argument); });
}

CallResult LockExclusively(int fd) {
  return Retried([&] { return ::flock(fd, LOCK_EX | LOCK_NB); });
}

CallResult GetAttributes(int fd, termios* settings) {
  return Retried([&] { return ::tcgetattr(fd, settings); });
}

CallResult SetAttributes(int fd, const termios& settings) {
  return Retried([&] { return ::tcsetattr(fd, TCSANOW, &settings); });
}

CallResult Flush(int fd, int queue_selector) {
  return Retried([&] { return ::tcflush(fd, queue_selector); });
}

CallResult Read(int fd, void* buffer, std::size_t size) {
  return Retried([&] { return ::read(fd, buffer, size); });
}

CallResult Write(int fd, const void* data, std::size_t size) {
  return Retried([&] { return ::write(fd, data, size); });
}

CallResult Poll(pollfd* fds, std::size_t count, int timeout_ms) {
  const int ready = ::poll(fds, count, timeout_ms);
  if (ready != -1) return {ready, 0};
  if (errno == EINTR) {
    for (std::size_t i = 0; i < count; ++i) fds[i].revents = 0;
    return {0, 0};
  }
  return {0, errno};
}

}  // namespace platform::posix
