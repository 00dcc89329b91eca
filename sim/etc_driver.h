// The simulated "ETC1:" driver: the terminal's switched output lines. Each line code sets its
// line to the request's value (0 or 1; anything else is refused):
//   9119, 9120, 9121, 9010  general switches, 9124 the modem start line, 9125 the modem power.
// The pair 7002/7001 drives one line, kept under 7001: 7002 switches it on, 7001 off, whatever
// value comes with the request. 2536, the navigation side's request, sets no line; it is counted.
// Every line is off until a request sets it. Any other code (8002 among them, which the console
// sends here after an EAS read) is no line of this driver and is refused.
//
// Given the modem's power lines, the driver drives them: 9125 and 9124 start where the modem's
// lines are (high, as the terminal powers its modem at boot) and every request that sets them
// reaches the modem.
#pragma once

#include <map>
#include <memory>

#include "platform/terminal/vehicle_io_codes.h"
#include "sim/modem_power.h"
#include "sim/simulated_driver.h"

namespace sim {

class EtcDriver final : public SimulatedDriver {
 public:
  explicit EtcDriver(std::shared_ptr<DriverJournal> journal,
                     std::shared_ptr<ModemPower> modem_power = nullptr);

  // The line's value, or nullopt for a code that names no line (7002 included: its line is 7001).
  std::optional<DWORD> Line(DWORD code) const;
  int NaviRequests() const;

 private:
  Outcome Answer(const Request& request, DWORD* bytes_returned) override;
  nlohmann::ordered_json StateAsJson() const override;

  void TellTheModem(DWORD code, DWORD value);

  const std::shared_ptr<ModemPower> modem_power_;  // null when no modem hangs on the lines
  std::map<DWORD, DWORD> lines_;                   // every line code, with its value
  int navi_requests_ = 0;
};

}  // namespace sim
