// An open line to one instrument, over whichever transport its address names, and the two things
// done on it: send a command line, receive an answer line. A TCP socket and a serial line are
// byte streams: a line ends at "\n", and what arrives after it waits for the next answer. A
// USBTMC device is the kernel driver's: one write() a command, one read() an answer, each bounded
// by the driver's own timeout, which is set to the instrument's. Every wait is bounded by a
// deadline and called off by a wake descriptor (the run's stop), never by a signal.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "instrument/address.h"
#include "platform/linux/descriptor_wait.h"
#include "platform/linux/posix_calls.h"

namespace instrument {

using platform::posix::SteadyTime;

enum class IoStatus {
  kDone,
  kTimedOut,
  kStopped,  // the wake descriptor called the wait off
  kClosed,   // the instrument went away: end of file, reset, broken pipe, a line hung up
  kFailed,   // another system error
  kTooLong,  // an answer longer than the caller takes
};

struct IoResult {
  IoStatus status = IoStatus::kDone;
  std::string detail;  // the call and its error, where there is one
};

class Channel {
 public:
  // Connects or opens within `timeout`; nothing, with `error` saying why, when it cannot.
  static std::optional<Channel> Open(const Address& address, std::chrono::milliseconds timeout,
                                     int wake, std::string& error);

  // Sends `line` and its "\n".
  IoResult Send(std::string_view line, SteadyTime deadline, int wake);
  // The next answer line without its "\r\n", of at most `most` bytes.
  IoResult Receive(std::string& line, std::size_t most, SteadyTime deadline, int wake);
  // Forgets what arrived unasked (a late answer to an exchange that timed out), so that the
  // next answer is the next question's.
  void DropPending();
  // Bytes of an answer begun and not ended.
  std::size_t pending_bytes() const { return pending_.size(); }

 private:
  Channel(platform::posix::UniqueFd fd, Transport transport);

  // Waits for `events` on the descriptor; kDone when it is ready.
  IoResult Wait(short events, SteadyTime deadline, int wake) const;
  IoResult ReceiveMessage(std::string& line, std::size_t most) const;

  platform::posix::UniqueFd fd_;
  Transport transport_;
  std::string pending_;  // stream bytes received past the last answer's end
};

}  // namespace instrument
