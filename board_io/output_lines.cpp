#include "board_io/output_lines.h"

#include <utility>

#include "board_io/value_file.h"

namespace board_io {

OutputLines::OutputLines(OutputFiles files, std::shared_ptr<FaultTeller> teller)
    : files_(std::move(files)), teller_(std::move(teller)) {}

OutputLines::~OutputLines() {
  for (const auto& [code, file] : files_) {
    if (file.on_exit != OnExit::kKeep) Set(code, file.on_exit == OnExit::kOn);
  }
}

std::optional<FileFault> OutputLines::Set(DWORD code, bool on) {
  const ValueFile& file = files_.at(code).value;
  std::optional<FileFault> fault = WriteLevel(file, on);
  teller_->Heard(file.file, fault ? &*fault : nullptr);
  return fault;
}

}  // namespace board_io
