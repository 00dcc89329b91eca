#include "sim/absent_driver.h"

#include <utility>

namespace sim {

AbsentDriver::AbsentDriver(std::string device, std::shared_ptr<DriverJournal> journal)
    : device_(std::move(device)), journal_(std::move(journal)) {}

DWORD AbsentDriver::Open(DWORD, DWORD) {
  journal_->RecordRefusedOpen(device_, "absent");
  return ERROR_FILE_NOT_FOUND;
}

BOOL AbsentDriver::IoControl(DWORD, const void*, DWORD, void*, DWORD, DWORD* bytes_returned) {
  if (bytes_returned != nullptr) *bytes_returned = 0;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

void AbsentDriver::Close() {}

}  // namespace sim
