#include "sim/meter_driver.h"

#include <utility>

namespace sim {

MeterDriver::MeterDriver(std::shared_ptr<DriverJournal> journal)
    : SimulatedDriver("MTR1:", std::move(journal)) {}

bool MeterDriver::Boarding() const {
  std::lock_guard lock(mutex_);
  return boarding_;
}

bool MeterDriver::Reservation() const {
  std::lock_guard lock(mutex_);
  return reservation_;
}

DWORD MeterDriver::Answer(const Request& request, DWORD*) {
  bool* signal = request.code == IOCTL_MTR_BOARDING      ? &boarding_
                 : request.code == IOCTL_MTR_RESERVATION ? &reservation_
                                                    : nullptr;
  if (signal == nullptr || !request.input || *request.input > 1) return ERROR_INVALID_PARAMETER;
  *signal = *request.input == 1;
  return ERROR_SUCCESS;
}

nlohmann::ordered_json MeterDriver::StateAsJson() const {
  return {{"boarding", boarding_ ? 1 : 0}, {"reservation", reservation_ ? 1 : 0}};
}

}  // namespace sim
