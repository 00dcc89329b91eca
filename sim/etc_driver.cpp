#include "sim/etc_driver.h"

#include <string>
#include <utility>

namespace sim {

EtcDriver::EtcDriver(std::shared_ptr<DriverJournal> journal,
                     std::shared_ptr<ModemPower> modem_power)
    : SimulatedDriver("ETC1:", std::move(journal)),
      modem_power_(std::move(modem_power)),
      lines_{{IOCTL_ETC_PAIR_OFF, 0},      {IOCTL_ETC_LINE_9010, 0}, {IOCTL_ETC_POWER_OFF_LINE, 0},
             {IOCTL_ETC_POWER_ON_LINE, 0}, {IOCTL_ETC_LINE_9121, 0}, {IOCTL_ETC_MODEM_START, 0},
             {IOCTL_ETC_MODEM_POWER, 0}} {
  if (modem_power_ == nullptr) return;
  lines_[IOCTL_ETC_MODEM_POWER] = modem_power_->Powered() ? 1 : 0;
  lines_[IOCTL_ETC_MODEM_START] = modem_power_->StartLineHigh() ? 1 : 0;
}

std::optional<DWORD> EtcDriver::Line(DWORD code) const {
  std::lock_guard lock(mutex_);
  const auto line = lines_.find(code);
  if (line == lines_.end()) return std::nullopt;
  return line->second;
}

int EtcDriver::NaviRequests() const {
  std::lock_guard lock(mutex_);
  return navi_requests_;
}

SimulatedDriver::Outcome EtcDriver::Answer(const Request& request, DWORD*) {
  switch (request.code) {
    case IOCTL_ETC_NAVI_REQUEST:
      ++navi_requests_;
      return ERROR_SUCCESS;
    case IOCTL_ETC_PAIR_ON:
      lines_[IOCTL_ETC_PAIR_OFF] = 1;
      return ERROR_SUCCESS;
    case IOCTL_ETC_PAIR_OFF:
      lines_[IOCTL_ETC_PAIR_OFF] = 0;
      return ERROR_SUCCESS;
  }
  const auto line = lines_.find(request.code);
  if (line == lines_.end() || !request.input || *request.input > 1) return ERROR_INVALID_PARAMETER;
  line->second = *request.input;
  TellTheModem(request.code, line->second);
  return ERROR_SUCCESS;
}

void EtcDriver::TellTheModem(DWORD code, DWORD value) {
  if (modem_power_ == nullptr) return;
  if (code == IOCTL_ETC_MODEM_POWER) modem_power_->SetPowerLine(value == 1);
  if (code == IOCTL_ETC_MODEM_START) modem_power_->SetStartLine(value == 1);
}

nlohmann::ordered_json EtcDriver::StateAsJson() const {
  nlohmann::ordered_json lines = nlohmann::ordered_json::object();
  for (const auto& [code, value] : lines_) lines[std::to_string(code)] = value;
  return {{"lines", std::move(lines)}, {"navi_requests", navi_requests_}};
}

}  // namespace sim
