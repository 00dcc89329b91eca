#include "sim/simulated_driver.h"

#include <cstring>
#include <utility>

namespace sim {

namespace {

// The terminal's processor is little-endian; read the value the same way on any host.
std::optional<DWORD> InputValue(const void* input, DWORD input_size) {
  if (input == nullptr || input_size < 4) return std::nullopt;
  BYTE bytes[4];
  std::memcpy(bytes, input, sizeof bytes);
  return DWORD{bytes[0]} | DWORD{bytes[1]} << 8 | DWORD{bytes[2]} << 16 | DWORD{bytes[3]} << 24;
}

}  // namespace

SimulatedDriver::SimulatedDriver(std::string device, std::shared_ptr<DriverJournal> journal)
    : device_(std::move(device)), journal_(std::move(journal)) {}

DWORD SimulatedDriver::Open(DWORD, DWORD) { return ERROR_SUCCESS; }

void SimulatedDriver::Close() {}

BOOL SimulatedDriver::IoControl(DWORD code, const void* input, DWORD input_size, void* output,
                                DWORD output_size, DWORD* bytes_returned) {
  if (bytes_returned != nullptr) *bytes_returned = 0;
  const Request request{code, InputValue(input, input_size), output, output_size};
  std::lock_guard lock(mutex_);
  const DWORD error = Answer(request, bytes_returned);
  journal_->RecordRequest(device_, {code, request.input, input_size, output_size, error},
                          StateAsJson());
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

}  // namespace sim
