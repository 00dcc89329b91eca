// The modem's power and start lines, shared between the ETC driver that drives them and the
// modem that lives by them (and anything else on the simulated terminal that needs to know).
// The terminal powers the modem at boot, so both lines start high. The modem starts afresh
// when its power comes back, and when its start line, once pulled low, goes high again while it
// is powered. Safe to use from any thread.
#pragma once

#include <mutex>

namespace sim {

class ModemPower {
 public:
  void SetPowerLine(bool on);
  void SetStartLine(bool high);

  bool Powered() const;
  bool StartLineHigh() const;
  // How many times the modem has started since boot; a modem that sees it change has restarted.
  unsigned Starts() const;

 private:
  mutable std::mutex mutex_;
  bool powered_ = true;
  bool start_line_high_ = true;
  unsigned starts_ = 0;
};

}  // namespace sim
