// What a board profile may ask of the simulated bench's instruments, to try how a test plan
// handles an instrument that misbehaves: another model answering `*IDN?`, answers that come late
// or never, and a supply whose load draws more than its current limit allows.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace sim {

struct InstrumentFaults {
  std::optional<std::string> identity;  // what *IDN? answers instead of the instrument's own
  std::chrono::milliseconds answer_delay{0};
  bool silent = false;  // takes every byte and answers nothing, does nothing
};

struct BenchSettings {
  InstrumentFaults supply;
  InstrumentFaults meter;
  InstrumentFaults relay;
  double supply_extra_load_amps = 0;  // drawn at the nominal voltage, besides the terminal's
};

}  // namespace sim
