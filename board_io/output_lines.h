// A driver's switched output lines on a real board, each a value file, by the control code that
// sets it. A line is written only when a request sets it, so the lines keep whatever state they
// had while the console runs; when the lines go (the console ends or restarts in place), each is
// left as its profile's on_exit says.
#pragma once

#include <memory>
#include <optional>

#include "board_io/file_fault.h"
#include "board_io/file_settings.h"

namespace board_io {

class OutputLines {
 public:
  OutputLines(OutputFiles files, std::shared_ptr<FaultTeller> teller);
  ~OutputLines();
  OutputLines(const OutputLines&) = delete;
  OutputLines& operator=(const OutputLines&) = delete;

  bool Has(DWORD code) const { return files_.contains(code); }
  // Switches the line of `code`, which Has; the fault, told once, when its file failed.
  std::optional<FileFault> Set(DWORD code, bool on);

 private:
  const OutputFiles files_;
  const std::shared_ptr<FaultTeller> teller_;
};

}  // namespace board_io
