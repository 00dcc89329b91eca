// The file of every exchange with a run's instruments, beside its records: one JSON object a
// line, {"role", "sent", "answer", "error", "wall", "monotonic_ms"}, written as each exchange
// ends, so that a run cut short still leaves what was said up to then. The file is made at the
// first exchange: a run without instruments leaves none.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "instrument/exchange.h"

namespace plan {

class ExchangeFile : public instrument::ExchangeSink {
 public:
  // Writes to `file`, which must not be there yet; see fault().
  explicit ExchangeFile(std::filesystem::path file) : file_(std::move(file)) {}

  void Add(const instrument::Exchange& exchange) override;

  // What went wrong writing the file first; empty while nothing did.
  const std::string& fault() const { return fault_; }
  // Whether the file was made.
  bool written() const { return out_.is_open(); }

 private:
  std::filesystem::path file_;
  std::ofstream out_;
  std::string fault_;
};

// The line ExchangeFile writes for `exchange`, with its "\n".
std::string ExchangeLine(const instrument::Exchange& exchange);

}  // namespace plan
