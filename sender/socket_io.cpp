#include "sender/socket_io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <system_error>

namespace sender {

namespace {

using std::chrono::ceil;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Waits until `fd` is ready for `events` (or has hung up, which the next call reports).
IoStatus WaitFor(int fd, short events, Deadline deadline, const StopSignal* stop) {
  for (;;) {
    const auto now = steady_clock::now();
    if (now >= deadline) return IoStatus::TimedOut;
    const auto left = ceil<milliseconds>(deadline - now).count();
    // A negative descriptor is skipped by poll: without a stop signal only `fd` is watched.
    pollfd watched[2] = {{fd, events, 0}, {stop ? stop->fd() : -1, POLLIN, 0}};
    const int ready = ::poll(watched, 2, static_cast<int>(std::min<long long>(left, INT_MAX)));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return IoStatus::Failed;
    }
    if (watched[1].revents != 0) return IoStatus::Stopped;
    if (watched[0].revents != 0) return IoStatus::Done;
  }
}

}  // namespace

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
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

StopSignal::StopSignal() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::system_error(errno, std::generic_category(), "pipe2");
  }
  read_end_.reset(ends[0]);
  write_end_.reset(ends[1]);
}

void StopSignal::Raise() {
  const char byte = 1;
  // The byte is never read: the pipe stays readable. A full pipe is raised already.
  [[maybe_unused]] const auto written = ::write(write_end_.get(), &byte, 1);
}

LineRead ReadLine(int fd, std::size_t max_bytes, Deadline deadline, const StopSignal* stop) {
  LineRead result;
  char chunk[4096];
  for (;;) {
    result.status = WaitFor(fd, POLLIN, deadline, stop);
    if (result.status != IoStatus::Done) {
      if (result.status == IoStatus::Failed) result.error = errno;
      return result;
    }
    const ssize_t received = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (received < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
      result.error = errno;
      result.status = IoStatus::Failed;
      return result;
    }
    if (received == 0) {
      result.status = IoStatus::PeerClosed;
      return result;
    }
    const char* begin = chunk;
    const char* end = chunk + received;
    const char* newline = std::find(begin, end, '\n');
    const std::size_t length = result.line.size() + static_cast<std::size_t>(newline - begin);
    // Without a newline yet, the line needs at least one byte more than it holds.
    if (length + 1 > max_bytes) {
      result.status = IoStatus::TooLong;
      return result;
    }
    result.line.append(begin, newline);
    if (newline != end) {
      result.status = IoStatus::Done;
      return result;
    }
  }
}

IoStatus WriteAll(int fd, std::string_view data, Deadline deadline, const StopSignal* stop) {
  while (!data.empty()) {
    const ssize_t sent = ::send(fd, data.data(), data.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent >= 0) {
      data.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (const IoStatus waited = WaitFor(fd, POLLOUT, deadline, stop); waited != IoStatus::Done) {
        return waited;
      }
      continue;
    }
    return errno == EPIPE || errno == ECONNRESET ? IoStatus::PeerClosed : IoStatus::Failed;
  }
  return IoStatus::Done;
}

}  // namespace sender
