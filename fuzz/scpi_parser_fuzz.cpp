// Arbitrary bytes as a client sends them to a simulated bench instrument: split into lines at
// `\n` as the connection does, each carried out by the supply and by the relay (the parser, the
// common commands, numbers, booleans and channel lists).
//
// Beyond "no crash": an answer is one line (no `\n` in it), every error the input raised can be
// read back from the queue, which stays within its length, and reading it ends in "No error".
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "sim/bench_circuit.h"
#include "sim/bench_instruments.h"
#include "sim/modem_power.h"

namespace {

void CheckAnswers(sim::ScpiInstrument& instrument, std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t end = std::min(bytes.find('\n'), bytes.size());
    const auto answer = instrument.Execute(bytes.substr(0, end));
    fuzz::Check(!answer || answer->find('\n') == std::string::npos, "an answer is one line");
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
  }
  for (std::size_t read = 0; read <= sim::kScpiErrorQueueLength; ++read) {
    if (instrument.Execute("SYST:ERR?") == "0,\"No error\"") return;
  }
  fuzz::Check(false, "the error queue empties within its length");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  sim::BenchCircuit circuit(
      std::make_shared<sim::ModemPower>(), [] { return 1; }, 0.0);
  CheckAnswers(*sim::MakeSupply(circuit, std::string(sim::kSupplyIdentity)), bytes);
  CheckAnswers(*sim::MakeRelay([](int, bool) {}, false, std::string(sim::kRelayIdentity)), bytes);
  return 0;
}
