#include "sender/socket_io.h"

#include <algorithm>
#include <cerrno>

#include "platform/linux/descriptor_wait.h"
#include "platform/linux/socket_calls.h"

namespace sender {

namespace {

namespace posix = platform::posix;

// Waits until `fd` is ready for `events` (or has hung up, which the next call reports), or
// `call_off_fd` is readable (-1: none).
IoStatus WaitFor(int fd, short events, Deadline deadline, int call_off_fd,
                 posix::CallResult* failure) {
  if (std::chrono::steady_clock::now() >= deadline) return IoStatus::TimedOut;
  posix::DescriptorWait wait(call_off_fd);
  wait.Watch(fd, events);
  switch (wait.Until(deadline)) {
    case posix::DescriptorWait::Outcome::kReady:
      return IoStatus::Done;
    case posix::DescriptorWait::Outcome::kWoken:
      return IoStatus::CalledOff;
    case posix::DescriptorWait::Outcome::kTimedOut:
      return IoStatus::TimedOut;
    case posix::DescriptorWait::Outcome::kFailed:
      break;
  }
  *failure = wait.failure();
  return IoStatus::Failed;
}

}  // namespace

LineAssembler::State LineAssembler::Feed(std::string_view bytes) {
  if (state_ != State::Incomplete) return state_;
  const auto newline = std::find(bytes.begin(), bytes.end(), '\n');
  const auto taken = static_cast<std::size_t>(newline - bytes.begin());
  // Without a newline yet, the line needs at least one byte more than it holds.
  if (line_.size() + taken + 1 > max_bytes_) {
    state_ = State::TooLong;
    return state_;
  }
  line_.append(bytes.data(), taken);
  if (newline != bytes.end()) state_ = State::Done;
  return state_;
}

LineRead ReadLine(int fd, std::size_t max_bytes, Deadline deadline, int call_off_fd) {
  LineAssembler assembler(max_bytes);
  LineRead result;
  char chunk[4096];
  for (;;) {
    result.status = WaitFor(fd, POLLIN, deadline, call_off_fd, &result.failure);
    if (result.status != IoStatus::Done) break;
    const auto received = posix::Receive(fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (!received.ok()) {
      if (received.error == EAGAIN) continue;
      result.status = IoStatus::Failed;
      result.failure = received;
      break;
    }
    if (received.value == 0) {
      result.status = IoStatus::PeerClosed;
      break;
    }
    const auto state = assembler.Feed({chunk, static_cast<std::size_t>(received.value)});
    if (state == LineAssembler::State::TooLong) result.status = IoStatus::TooLong;
    if (state != LineAssembler::State::Incomplete) break;
  }
  result.line = assembler.line();
  return result;
}

IoStatus WriteAll(int fd, std::string_view data, Deadline deadline, int call_off_fd) {
  while (!data.empty()) {
    const auto sent = posix::Send(fd, data.data(), data.size(), MSG_DONTWAIT);
    if (sent.ok()) {
      data.remove_prefix(static_cast<std::size_t>(sent.value));
      continue;
    }
    if (sent.error != EAGAIN) {
      return sent.error == EPIPE || sent.error == ECONNRESET ? IoStatus::PeerClosed
                                                             : IoStatus::Failed;
    }
    posix::CallResult failure;
    const IoStatus waited = WaitFor(fd, POLLOUT, deadline, call_off_fd, &failure);
    if (waited != IoStatus::Done) return waited;
  }
  return IoStatus::Done;
}

}  // namespace sender
