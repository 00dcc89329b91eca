#include "platform/terminal/comm_timeouts.h"

#include <algorithm>
#include <cstdint>

namespace platform {

namespace {

// A multiplier of MAXDWORD times a few thousand bytes is centuries, more than the steady clock
// can add to a time point; no wait is given longer than the longest a DWORD can state.
std::chrono::milliseconds TotalTime(DWORD multiplier, DWORD size, DWORD constant) {
  const std::uint64_t total = std::uint64_t{multiplier} * size + constant;
  return std::chrono::milliseconds{std::min<std::uint64_t>(total, MAXDWORD)};
}

}  // namespace

ReadTimer::ReadTimer(const COMMTIMEOUTS& timeouts, DWORD requested, SteadyTime start)
    : start_(start) {
  const DWORD interval = timeouts.ReadIntervalTimeout;
  const DWORD multiplier = timeouts.ReadTotalTimeoutMultiplier;
  const DWORD constant = timeouts.ReadTotalTimeoutConstant;
  if (interval == MAXDWORD && multiplier == 0 && constant == 0) {
    rule_ = Rule::kReturnAtOnce;
  } else if (interval == MAXDWORD && multiplier == MAXDWORD && constant != 0 &&
             constant != MAXDWORD) {
    rule_ = Rule::kFirstByteOrConstant;
    total_end_ = start + std::chrono::milliseconds{constant};
  } else {
    rule_ = Rule::kTotalAndInterval;
    if (multiplier != 0 || constant != 0) {
      total_end_ = start + TotalTime(multiplier, requested, constant);
    }
    if (interval != 0) interval_ = std::chrono::milliseconds{interval};
  }
}

void ReadTimer::BytesArrived(SteadyTime now) { latest_arrival_ = now; }

std::optional<SteadyTime> ReadTimer::GiveUpAt() const {
  switch (rule_) {
    case Rule::kReturnAtOnce:
      return start_;
    case Rule::kFirstByteOrConstant:
      return latest_arrival_ ? latest_arrival_ : total_end_;
    case Rule::kTotalAndInterval:
      break;
  }
  std::optional<SteadyTime> end = total_end_;
  if (interval_ && latest_arrival_) {
    const SteadyTime interval_end = *latest_arrival_ + *interval_;
    end = end ? std::min(*end, interval_end) : interval_end;
  }
  return end;
}

std::optional<SteadyTime> WriteGiveUpAt(const COMMTIMEOUTS& timeouts, DWORD size,
                                        SteadyTime start) {
  const DWORD multiplier = timeouts.WriteTotalTimeoutMultiplier;
  const DWORD constant = timeouts.WriteTotalTimeoutConstant;
  if (multiplier == 0 && constant == 0) return std::nullopt;
  return start + TotalTime(multiplier, size, constant);
}

}  // namespace platform
