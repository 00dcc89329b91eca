// One client's conversation with a simulated instrument, on the bench's thread: a TCP connection
// or the instrument's serial line. It assembles the bytes that arrive into lines (ended by `\n`),
// has the instrument carry each out, and sends the answers back, each after the instrument's
// answer delay. Never blocks: it says which events it waits for and when its next answer is due,
// and is served when they come.
//
// Bounded whatever the client does: a line longer than kMostScpiLineBytes raises -363 "Input
// buffer overrun" and is dropped up to its `\n`; a client that sends queries and never reads the
// answers is read no further until they have gone (its own writes then block, as on an
// instrument whose input buffer is full). A TCP client that goes away, even mid-answer, ends the
// connection; a serial line nobody holds is looked at again every so often, and answers meant for
// nobody are dropped, as on a line with nothing plugged in.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/descriptor_wait.h"
#include "platform/linux/posix_calls.h"
#include "sim/bench_settings.h"
#include "sim/scpi_instrument.h"

namespace sim {

inline constexpr std::size_t kMostScpiLineBytes = 1024;

class ScpiConnection {
 public:
  // A TCP client, non-blocking; the connection closes it.
  explicit ScpiConnection(platform::posix::UniqueFd socket);
  // The master of the instrument's serial line, non-blocking and not the connection's to close.
  static ScpiConnection OnSerialLine(int master);

  int fd() const { return fd_; }
  // What to wait for now (0 while it holds back: a hang-up is still reported); nothing while it
  // rests, when its descriptor is not to be watched at all.
  std::optional<short> Events(platform::posix::SteadyTime now) const;
  // When it must be served even if nothing happens: an answer falls due, a rest ends.
  std::optional<platform::posix::SteadyTime> Deadline() const;
  // Takes what arrived, carries out whole lines, sends what is due. False once a TCP client has
  // gone.
  bool Serve(short revents, ScpiInstrument& instrument, const InstrumentFaults& faults,
             platform::posix::SteadyTime now);

 private:
  enum class Transport { kSocket, kSerialLine };
  ScpiConnection(int fd, Transport transport) : fd_(fd), transport_(transport) {}

  bool Receive(short revents, ScpiInstrument& instrument, const InstrumentFaults& faults,
               platform::posix::SteadyTime now);
  void Take(std::string_view bytes, ScpiInstrument& instrument, const InstrumentFaults& faults,
            platform::posix::SteadyTime now);
  bool Send(platform::posix::SteadyTime now);
  bool HoldingBack() const;

  struct Answer {
    platform::posix::SteadyTime due;
    std::string text;
  };

  platform::posix::UniqueFd owned_;
  int fd_;
  Transport transport_;
  std::string line_;
  bool dropping_line_ = false;
  std::deque<Answer> answers_;  // carried out, not yet due
  std::string unsent_;          // due, not yet taken by the transport
  std::optional<platform::posix::SteadyTime> rest_until_;
};

}  // namespace sim
