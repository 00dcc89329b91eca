// What the simulated terminal's drivers share: they open for anyone, answer each request under
// their own lock, journal it together with the state it left behind, and keep that state for as
// long as the board lives, as the lines and signals of a real terminal stay where they were set.
// Requests are taken one at a time, so the journal's lines and whatever a request sets off
// beyond the driver follow the order of the requests. A request a driver does not know, or with
// buffers it cannot use, fails with ERROR_INVALID_PARAMETER and changes nothing.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "platform/ports/stream_driver.h"
#include "sim/driver_journal.h"

namespace sim {

class SimulatedDriver : public platform::StreamDriver {
 public:
  DWORD Open(DWORD access, DWORD share_mode) override;
  BOOL IoControl(DWORD code, const void* input, DWORD input_size, void* output, DWORD output_size,
                 DWORD* bytes_returned) final;
  void Close() override;

 protected:
  struct Request {
    DWORD code;
    std::optional<DWORD> input;  // the 4-byte value, when a buffer that large came with it
    void* output;
    DWORD output_size;
  };

  struct Outcome {
    Outcome(DWORD refusal = ERROR_SUCCESS, std::string why = {})  // NOLINT: a bare error will do
        : error(refusal), reason(std::move(why)) {}
    DWORD error;         // ERROR_SUCCESS, or the error that refuses the request
    std::string reason;  // for the journal, where the error alone does not say why
  };

  SimulatedDriver(std::string device, std::shared_ptr<DriverJournal> journal);

  // Both run under the driver's lock. Answer carries the request out, or refuses it and then
  // changes nothing.
  virtual Outcome Answer(const Request& request, DWORD* bytes_returned) = 0;
  virtual nlohmann::ordered_json StateAsJson() const = 0;
  // After a request was carried out, with the driver's lock released so that no other lock is
  // ever taken under it: sets off what the request causes beyond the driver (a message posted
  // to a window) and says what that was, for the journal line's "report"; null for nothing.
  virtual nlohmann::ordered_json ReportBeyond() { return nullptr; }

  mutable std::mutex mutex_;  // the driver's state

 private:
  std::mutex request_order_;  // held for a whole request, its report and journal line included
  const std::string device_;
  const std::shared_ptr<DriverJournal> journal_;
};

}  // namespace sim
