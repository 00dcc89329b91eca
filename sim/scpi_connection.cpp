#include "sim/scpi_connection.h"

#include <array>
#include <cerrno>
#include <utility>

#include "platform/linux/socket_calls.h"
#include "sim/pty_relay.h"

namespace sim {

namespace {

namespace posix = platform::posix;

constexpr std::size_t kReadChunk = 4096;
constexpr std::size_t kMostWaitingAnswers = 64;
constexpr std::size_t kMostUnsentBytes = 64 * 1024;
// How long a serial line that nobody holds is left alone before it is looked at again.
constexpr std::chrono::milliseconds kIdleLineRecheck{100};

}  // namespace

ScpiConnection::ScpiConnection(posix::UniqueFd socket)
    : owned_(std::move(socket)), fd_(owned_.get()), transport_(Transport::kSocket) {}

ScpiConnection ScpiConnection::OnSerialLine(int master) {
  return ScpiConnection(master, Transport::kSerialLine);
}

bool ScpiConnection::HoldingBack() const {
  return answers_.size() >= kMostWaitingAnswers || unsent_.size() >= kMostUnsentBytes;
}

std::optional<short> ScpiConnection::Events(posix::SteadyTime now) const {
  if (rest_until_ && now < *rest_until_) return std::nullopt;
  short events = HoldingBack() ? 0 : POLLIN;
  if (!unsent_.empty()) events |= POLLOUT;
  return events;
}

std::optional<posix::SteadyTime> ScpiConnection::Deadline() const {
  if (rest_until_) return rest_until_;
  if (!answers_.empty()) return answers_.front().due;
  return std::nullopt;
}

bool ScpiConnection::Serve(short revents, ScpiInstrument& instrument,
                           const InstrumentFaults& faults, posix::SteadyTime now) {
  if (rest_until_ && now < *rest_until_) return true;
  rest_until_.reset();
  if ((revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !Receive(revents, instrument, faults, now)) {
    return false;
  }
  while (!answers_.empty() && answers_.front().due <= now) {
    unsent_ += answers_.front().text;
    answers_.pop_front();
  }
  return Send(now);
}

bool ScpiConnection::Receive(short revents, ScpiInstrument& instrument,
                             const InstrumentFaults& faults, posix::SteadyTime now) {
  std::array<char, kReadChunk> bytes{};
  const posix::CallResult read = transport_ == Transport::kSocket
                                     ? posix::Receive(fd_, bytes.data(), bytes.size())
                                     : posix::Read(fd_, bytes.data(), bytes.size());
  if (read.ok() && read.value > 0) {
    Take(std::string_view(bytes.data(), static_cast<std::size_t>(read.value)), instrument, faults,
         now);
    return true;
  }
  const bool gone = (revents & (POLLHUP | POLLERR)) != 0 || read.ok() || read.error != EAGAIN;
  if (!gone) return true;
  if (transport_ == Transport::kSocket) return false;
  // Nobody holds the line: what was said to the last holder is nobody's now.
  rest_until_ = now + kIdleLineRecheck;
  answers_.clear();
  unsent_.clear();
  line_.clear();
  dropping_line_ = false;
  return true;
}

void ScpiConnection::Take(std::string_view bytes, ScpiInstrument& instrument,
                          const InstrumentFaults& faults, posix::SteadyTime now) {
  if (faults.silent) return;
  for (const char byte : bytes) {
    if (byte == '\n') {
      if (!dropping_line_) {
        if (auto answer = instrument.Execute(line_)) {
          answers_.push_back({now + faults.answer_delay, std::move(*answer) + "\n"});
        }
      }
      line_.clear();
      dropping_line_ = false;
    } else if (dropping_line_) {
      continue;
    } else if (line_.size() == kMostScpiLineBytes) {
      instrument.RaiseError(ScpiError::kInputBufferOverrun);
      line_.clear();
      dropping_line_ = true;
    } else {
      line_ += byte;
    }
  }
}

bool ScpiConnection::Send(posix::SteadyTime now) {
  if (unsent_.empty()) return true;
  if (transport_ == Transport::kSerialLine && !PtySlaveHeld(fd_)) {
    unsent_.clear();
    return true;
  }
  const posix::CallResult written = transport_ == Transport::kSocket
                                        ? posix::Send(fd_, unsent_.data(), unsent_.size())
                                        : posix::Write(fd_, unsent_.data(), unsent_.size());
  if (written.ok()) {
    unsent_.erase(0, static_cast<std::size_t>(written.value));
    return true;
  }
  if (written.error == EAGAIN) return true;
  if (transport_ == Transport::kSocket) return false;
  rest_until_ = now + kIdleLineRecheck;
  unsent_.clear();
  return true;
}

}  // namespace sim
