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
  const std::lock_guard order(request_order_);
  JournaledRequest journaled;
  journaled.code = code;
  journaled.input = request.input;
  journaled.input_given = input != nullptr;
  journaled.input_size = input_size;
  journaled.output_given = output != nullptr;
  journaled.output_size = output_size;
  nlohmann::ordered_json state;
  {
    const std::lock_guard lock(mutex_);
    Outcome outcome = Answer(request, bytes_returned);
    journaled.error = outcome.error;
    journaled.reason = std::move(outcome.reason);
    state = StateAsJson();
  }
  const DWORD error = journaled.error;
  if (error == ERROR_SUCCESS) journaled.report = ReportBeyond();
  journal_->RecordRequest(device_, journaled, std::move(state));
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

}  // namespace sim
