// The simulated "MTR1:" driver: the two signals towards the taxi meter. 8028 raises (1) or lowers
// (0) the boarding signal, 8029 the reservation signal; other values are refused. Both signals
// are low until a request raises them.
#pragma once

#include <memory>

#include "platform/terminal/vehicle_io_codes.h"
#include "sim/simulated_driver.h"

namespace sim {

class MeterDriver final : public SimulatedDriver {
 public:
  explicit MeterDriver(std::shared_ptr<DriverJournal> journal);

  bool Boarding() const;
  bool Reservation() const;

 private:
  DWORD Answer(const Request& request, DWORD* bytes_returned) override;
  nlohmann::ordered_json StateAsJson() const override;

  bool boarding_ = false;
  bool reservation_ = false;
};

}  // namespace sim
