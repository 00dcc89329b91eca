// A SCPI instrument's error queue: the standard error numbers a simulated instrument raises and
// the queue `SYSTem:ERRor?` reads them from, oldest first. Like a real instrument's it is bounded:
// when it is full the newest entry is replaced by -350 "Queue overflow" and later errors are
// lost until the queue is read, so a client that never reads it cannot grow it.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

namespace sim {

// The standard numbers the simulated instruments use.
enum class ScpiError {
  kSyntax = -102,
  kParameterNotAllowed = -108,
  kMissingParameter = -109,
  kUndefinedHeader = -113,
  kDataOutOfRange = -222,
  kIllegalParameterValue = -224,
  kQueueOverflow = -350,
  kInputBufferOverrun = -363,
  kQueryUnterminated = -420,
};

inline constexpr std::size_t kScpiErrorQueueLength = 20;

class ScpiErrorQueue {
 public:
  void Push(ScpiError error);
  // `0,"No error"` when empty, otherwise `-113,"Undefined header"` for the oldest, which goes.
  std::string Pop();
  void Clear() { queue_.clear(); }

 private:
  std::deque<ScpiError> queue_;
};

}  // namespace sim
