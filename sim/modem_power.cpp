#include "sim/modem_power.h"

namespace sim {

void ModemPower::SetPowerLine(bool on) {
  const std::lock_guard lock(mutex_);
  if (on && !powered_) ++starts_;
  powered_ = on;
}

void ModemPower::SetStartLine(bool high) {
  const std::lock_guard lock(mutex_);
  if (high && !start_line_high_ && powered_) ++starts_;
  start_line_high_ = high;
}

bool ModemPower::Powered() const {
  const std::lock_guard lock(mutex_);
  return powered_;
}

bool ModemPower::StartLineHigh() const {
  const std::lock_guard lock(mutex_);
  return start_line_high_;
}

unsigned ModemPower::Starts() const {
  const std::lock_guard lock(mutex_);
  return starts_;
}

}  // namespace sim
