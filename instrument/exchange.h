// One exchange with an instrument as its log keeps it: the line sent, the answer where one was
// asked for and came, what went wrong, and when it was sent on the wall clock and the monotonic
// one. Where the exchanges go (a file beside the run's records) is the session's owner's choice.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace instrument {

struct Exchange {
  std::string role;
  std::string sent;
  std::optional<std::string> answer;  // nothing for a command that asks for none, or none came
  std::string error;                  // empty when all went well
  std::chrono::system_clock::time_point wall;
  std::int64_t monotonic_ms = 0;  // the steady clock, as the session record's lines count it
};

class ExchangeSink {
 public:
  virtual ~ExchangeSink() = default;
  virtual void Add(const Exchange& exchange) = 0;
};

}  // namespace instrument
