#include "sim/meter_driver.h"

#include <utility>

#include "platform/terminal/window.h"

namespace sim {

MeterDriver::MeterDriver(std::shared_ptr<DriverJournal> journal, std::wstring console_window_text)
    : SimulatedDriver("MTR1:", std::move(journal)),
      console_window_text_(std::move(console_window_text)) {}

bool MeterDriver::Boarding() const {
  std::lock_guard lock(mutex_);
  return boarding_;
}

bool MeterDriver::Reservation() const {
  std::lock_guard lock(mutex_);
  return reservation_;
}

SimulatedDriver::Outcome MeterDriver::Answer(const Request& request, DWORD*) {
  bool* signal = request.code == IOCTL_MTR_BOARDING      ? &boarding_
                 : request.code == IOCTL_MTR_RESERVATION ? &reservation_
                                                         : nullptr;
  if (signal == nullptr || !request.input || *request.input > 1) return ERROR_INVALID_PARAMETER;
  const bool raised = *request.input == 1;
  if (*signal != raised) {
    *signal = raised;
    unreported_ = Signals{reservation_, boarding_};
  }
  return ERROR_SUCCESS;
}

nlohmann::ordered_json MeterDriver::StateAsJson() const {
  return {{"boarding", boarding_ ? 1 : 0}, {"reservation", reservation_ ? 1 : 0}};
}

// Requests come here one at a time (the base class holds them in order), so unreported_ is
// the change of this very request.
nlohmann::ordered_json MeterDriver::ReportBeyond() {
  if (!unreported_) return nullptr;
  const Signals signals = *std::exchange(unreported_, std::nullopt);
  return PostMeterReport(console_window_text_, signals.reservation, signals.boarding);
}

nlohmann::ordered_json PostMeterReport(const std::wstring& console_window_text, bool reservation,
                                       bool boarding) {
  const WPARAM w_param = reservation ? 1 : 0;
  const LPARAM l_param = boarding ? 1 : 0;
  const HWND console = FindWindowW(nullptr, console_window_text.c_str());
  const bool posted =
      console != nullptr && PostMessageW(console, WM_METER_MESSAGE, w_param, l_param) != FALSE;
  return {
      {"message", WM_METER_MESSAGE}, {"wParam", w_param}, {"lParam", l_param}, {"posted", posted}};
}

}  // namespace sim
