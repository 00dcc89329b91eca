// A driver the board marks absent: the name exists so that the refusal can be journaled, but
// every open fails with ERROR_FILE_NOT_FOUND, what the console sees on a terminal that lacks the
// driver altogether.
#pragma once

#include <memory>
#include <string>

#include "platform/ports/stream_driver.h"
#include "sim/driver_journal.h"

namespace sim {

class AbsentDriver final : public platform::StreamDriver {
 public:
  AbsentDriver(std::string device, std::shared_ptr<DriverJournal> journal);

  DWORD Open(DWORD access, DWORD share_mode) override;
  // Never reached, since no open succeeds; refused all the same.
  BOOL IoControl(DWORD code, const void* input, DWORD input_size, void* output, DWORD output_size,
                 DWORD* bytes_returned) override;
  void Close() override;

 private:
  const std::string device_;
  const std::shared_ptr<DriverJournal> journal_;
};

}  // namespace sim
