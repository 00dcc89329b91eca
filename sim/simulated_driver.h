// What the simulated terminal's drivers share: they open for anyone, answer each request under
// their own lock, journal it together with the state it left behind, and keep that state for as
// long as the board lives, as the lines and signals of a real terminal stay where they were set.
// A request a driver does not know, or with buffers it cannot use, fails with
// ERROR_INVALID_PARAMETER and changes nothing.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

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

  SimulatedDriver(std::string device, std::shared_ptr<DriverJournal> journal);

  // Both run under the driver's lock. Answer carries the request out: ERROR_SUCCESS, or the
  // error that refuses it (and then nothing may have changed).
  virtual DWORD Answer(const Request& request, DWORD* bytes_returned) = 0;
  virtual nlohmann::ordered_json StateAsJson() const = 0;

  mutable std::mutex mutex_;

 private:
  const std::string device_;
  const std::shared_ptr<DriverJournal> journal_;
};

}  // namespace sim
