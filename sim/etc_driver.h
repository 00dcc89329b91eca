// The simulated "ETC1:" driver: the terminal's switched output lines. Each line code sets its
// line to the request's value (0 or 1; anything else is refused):
//   9119, 9120, 9121, 9010  general switches, 9124 the modem start line, 9125 the modem power.
// The pair 7002/7001 drives one line, kept under 7001: 7002 switches it on, 7001 off, whatever
// value comes with the request. 2536, the navigation side's request, sets no line; it is counted.
// Every line is off until a request sets it. Any other code (8002 among them, which the console
// sends here after an EAS read) is no line of this driver and is refused.
#pragma once

#include <map>
#include <memory>

#include "platform/terminal/vehicle_io_codes.h"
#include "sim/simulated_driver.h"

namespace sim {

class EtcDriver final : public SimulatedDriver {
 public:
  explicit EtcDriver(std::shared_ptr<DriverJournal> journal);

  // The line's value, or nullopt for a code that names no line (7002 included: its line is 7001).
  std::optional<DWORD> Line(DWORD code) const;
  int NaviRequests() const;

 private:
  DWORD Answer(const Request& request, DWORD* bytes_returned) override;
  nlohmann::ordered_json StateAsJson() const override;

  std::map<DWORD, DWORD> lines_;  // every line code, with its value
  int navi_requests_ = 0;
};

}  // namespace sim
