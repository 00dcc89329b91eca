// When a read or a write on a serial port stops waiting, by the platform's rules for
// COMMTIMEOUTS, kept apart from the waiting itself so that the rules can be checked without a
// clock. For a read of n bytes:
//  - interval MAXDWORD, both totals 0: return at once with what has arrived, even nothing;
//  - interval MAXDWORD, multiplier MAXDWORD, 0 < constant < MAXDWORD: return as soon as there is
//    at least one byte, or after the constant with nothing;
//  - otherwise: a total of multiplier * n + constant (none when both are 0) counted from the
//    start, and an interval (none when 0) counted from the latest byte once one has arrived;
//    whichever comes first ends the read. With neither, the read waits for all n bytes.
// A write of n bytes has a total of multiplier * n + constant, none when both are 0. A read or
// write that runs out of time succeeds with the bytes moved so far.
#pragma once

#include <chrono>
#include <optional>

#include "platform/terminal/serial.h"

namespace platform {

using SteadyTime = std::chrono::steady_clock::time_point;

class ReadTimer {
 public:
  ReadTimer(const COMMTIMEOUTS& timeouts, DWORD requested, SteadyTime start);
  // Bytes arrived, or were found waiting, at `now`.
  void BytesArrived(SteadyTime now);
  // When to stop waiting for more bytes (possibly already past); none: wait for all of them.
  std::optional<SteadyTime> GiveUpAt() const;

 private:
  enum class Rule { kReturnAtOnce, kFirstByteOrConstant, kTotalAndInterval };

  Rule rule_;
  SteadyTime start_;
  std::optional<SteadyTime> total_end_;
  std::optional<std::chrono::milliseconds> interval_;
  std::optional<SteadyTime> latest_arrival_;
};

// When a write of `size` bytes that starts at `start` gives up; none: it waits until done.
std::optional<SteadyTime> WriteGiveUpAt(const COMMTIMEOUTS& timeouts, DWORD size, SteadyTime start);

}  // namespace platform
