#include "instrument/channel.h"

#include <cerrno>

#include "platform/linux/socket_calls.h"

namespace instrument {

namespace posix = platform::posix;

namespace {

constexpr std::size_t kChunk = 4096;
// What DropPending reads at most: an instrument that streams without end is not waited out.
constexpr std::size_t kMostDropped = 64 * 1024;

// Errors by which a line tells that the instrument at its far end has gone.
bool Vanished(int error) {
  return error == EPIPE || error == ECONNRESET || error == EIO || error == ENOTCONN ||
         error == ESHUTDOWN || error == ENODEV;
}

IoResult Failed(const posix::CallResult& call) {
  return {Vanished(call.error) ? IoStatus::kClosed : IoStatus::kFailed, call.Describe()};
}

}  // namespace

Channel::Channel(posix::UniqueFd fd, Transport transport)
    : fd_(std::move(fd)), transport_(transport) {}

IoResult Channel::Wait(short events, SteadyTime deadline, int wake) const {
  posix::DescriptorWait wait(wake);
  wait.Watch(fd_.get(), events);
  switch (wait.Until(deadline)) {
    case posix::DescriptorWait::Outcome::kReady:
      return {};
    case posix::DescriptorWait::Outcome::kWoken:
      return {IoStatus::kStopped, ""};
    case posix::DescriptorWait::Outcome::kTimedOut:
      return {IoStatus::kTimedOut, ""};
    case posix::DescriptorWait::Outcome::kFailed:
      break;
  }
  return {IoStatus::kFailed, wait.failure().Describe()};
}

IoResult Channel::Send(std::string_view line, SteadyTime deadline, int wake) {
  const std::string bytes = std::string(line) + "\n";
  if (transport_ == Transport::kUsbtmc) {  // one message, whole
    const posix::CallResult written = posix::Write(fd_.get(), bytes.data(), bytes.size());
    return written.ok() ? IoResult{} : Failed(written);
  }
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const char* from = bytes.data() + sent;
    const std::size_t left = bytes.size() - sent;
    // A socket whose peer has gone reports EPIPE rather than raising SIGPIPE.
    const posix::CallResult written = transport_ == Transport::kTcp
                                          ? posix::Send(fd_.get(), from, left)
                                          : posix::Write(fd_.get(), from, left);
    if (written.ok()) {
      sent += static_cast<std::size_t>(written.value);
      continue;
    }
    if (written.error != EAGAIN) return Failed(written);
    if (IoResult ready = Wait(POLLOUT, deadline, wake); ready.status != IoStatus::kDone) {
      return ready;
    }
  }
  return {};
}

IoResult Channel::ReceiveMessage(std::string& line, std::size_t most) const {
  std::string buffer(most + 2, '\0');  // room for the "\n" and one byte too many
  const posix::CallResult read = posix::Read(fd_.get(), buffer.data(), buffer.size());
  if (!read.ok()) {
    if (read.error == ETIMEDOUT) return {IoStatus::kTimedOut, ""};
    return Failed(read);
  }
  buffer.resize(static_cast<std::size_t>(read.value));
  if (buffer.ends_with('\n')) buffer.pop_back();
  if (buffer.ends_with('\r')) buffer.pop_back();
  if (buffer.size() > most) return {IoStatus::kTooLong, ""};
  line = std::move(buffer);
  return {};
}

IoResult Channel::Receive(std::string& line, std::size_t most, SteadyTime deadline, int wake) {
  if (transport_ == Transport::kUsbtmc) return ReceiveMessage(line, most);
  for (;;) {
    const std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (line.ends_with('\r')) line.pop_back();
      if (line.size() > most) return {IoStatus::kTooLong, ""};
      return {};
    }
    if (pending_.size() > most + 1) {
      pending_.clear();
      return {IoStatus::kTooLong, ""};
    }
    if (IoResult ready = Wait(POLLIN, deadline, wake); ready.status != IoStatus::kDone) {
      return ready;
    }
    char chunk[kChunk];
    const posix::CallResult read = posix::Read(fd_.get(), chunk, sizeof chunk);
    if (!read.ok()) {
      if (read.error == EAGAIN) continue;
      return Failed(read);
    }
    if (read.value == 0) return {IoStatus::kClosed, "end of file"};
    pending_.append(chunk, static_cast<std::size_t>(read.value));
  }
}

void Channel::DropPending() {
  pending_.clear();
  if (transport_ == Transport::kUsbtmc) return;
  char chunk[kChunk];
  for (std::size_t dropped = 0; dropped < kMostDropped;) {
    const std::optional<short> ready = posix::ReadyNow(fd_.get(), POLLIN);
    if (!ready || (*ready & POLLIN) == 0) return;
    const posix::CallResult read = posix::Read(fd_.get(), chunk, sizeof chunk);
    if (!read.ok() || read.value == 0) return;  // the next exchange tells what is wrong
    dropped += static_cast<std::size_t>(read.value);
  }
}

}  // namespace instrument
