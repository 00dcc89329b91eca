#include "sim/etc_driver.h"

#include <string>
#include <utility>

namespace sim {

EtcDriver::EtcDriver(std::shared_ptr<DriverJournal> journal)
    : SimulatedDriver("ETC1:", std::move(journal)),
      lines_{{7001, 0}, {9010, 0}, {9119, 0}, {9120, 0}, {9121, 0}, {9124, 0}, {9125, 0}} {}

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

DWORD EtcDriver::Answer(const Request& request, DWORD*) {
  switch (request.code) {
    case kNaviRequestCode:
      ++navi_requests_;
      return ERROR_SUCCESS;
    case kPairOnCode:
      lines_[kPairOffCode] = 1;
      return ERROR_SUCCESS;
    case kPairOffCode:
      lines_[kPairOffCode] = 0;
      return ERROR_SUCCESS;
  }
  const auto line = lines_.find(request.code);
  if (line == lines_.end() || !request.input || *request.input > 1) return ERROR_INVALID_PARAMETER;
  line->second = *request.input;
  return ERROR_SUCCESS;
}

nlohmann::ordered_json EtcDriver::StateAsJson() const {
  nlohmann::ordered_json lines = nlohmann::ordered_json::object();
  for (const auto& [code, value] : lines_) lines[std::to_string(code)] = value;
  return {{"lines", std::move(lines)}, {"navi_requests", navi_requests_}};
}

}  // namespace sim
