// A SCPI conversation with one instrument, by its role in the plan: a command line written and
// then the instrument's error queue read (SYST:ERR? until it says 0, a bounded number of times),
// a query answered within the instrument's timeout, the identity (*IDN?). Every exchange goes to
// the sink. What goes wrong is a Fault whose message names the role and the address: no answer
// in time, an instrument that went away, an answer that is no text or too long, an error the
// instrument itself reports, or a stop.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "instrument/address.h"
#include "instrument/channel.h"
#include "instrument/exchange.h"

namespace instrument {

// The longest answer taken: SCPI readings and identities are short; more is a fault.
inline constexpr std::size_t kMostAnswerBytes = 4096;
// How many SYST:ERR? a write may take before the queue must say 0.
inline constexpr int kMostQueuedErrors = 16;

struct Fault {
  enum class Kind { kCannotOpen, kTimedOut, kVanished, kGarbage, kInstrument, kStopped };
  Kind kind = Kind::kCannotOpen;
  std::string message;
};

class Session {
 public:
  // Opens the line within `timeout`; nothing, with `fault`, when it cannot.
  static std::unique_ptr<Session> Open(const std::string& role, const Address& address,
                                       std::chrono::milliseconds timeout, ExchangeSink& sink,
                                       int wake, Fault& fault);

  // Sends `commands` (one line, ";" between compound commands), then empties the error queue: a
  // fault of kind kInstrument with the instrument's own texts when it held any.
  std::optional<Fault> Write(const std::string& commands, int wake);
  // The answer to `query`, or nothing with `fault`.
  std::optional<std::string> Query(const std::string& query, int wake, Fault& fault);

  const std::string& role() const { return role_; }
  const Address& address() const { return address_; }

 private:
  Session(std::string role, Address address, std::chrono::milliseconds timeout, ExchangeSink& sink,
          Channel channel);

  // One line out and, when `answer` is given, one line back; logged either way.
  std::optional<Fault> Converse(const std::string& sent, std::string* answer, int wake);
  Fault Failure(Fault::Kind kind, const std::string& what) const;

  std::string role_;
  Address address_;
  std::chrono::milliseconds timeout_;
  ExchangeSink& sink_;
  Channel channel_;
};

// The instrument's own error queue entry, `-113,"Undefined header"`: its number and text; nothing
// when the answer is not of that form.
struct QueuedError {
  long code = 0;
  std::string text;
};
std::optional<QueuedError> ReadQueuedError(const std::string& answer);

}  // namespace instrument
