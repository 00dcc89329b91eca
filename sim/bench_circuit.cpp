#include "sim/bench_circuit.h"

#include <utility>

namespace sim {

BenchCircuit::BenchCircuit(std::shared_ptr<const ModemPower> modem_power,
                           std::function<int()> open_ports, double extra_load_amps)
    : modem_power_(std::move(modem_power)),
      open_ports_(std::move(open_ports)),
      extra_load_amps_(extra_load_amps) {}

double BenchCircuit::LoadAmpsAtNominal() const {
  return kIdleAmps + (modem_power_->Powered() ? kModemAmps : 0.0) + kOpenPortAmps * open_ports_() +
         extra_load_amps_;
}

SupplyOutput BenchCircuit::Output() const {
  if (!supply_.output) return {};
  if (supply_.volts <= 0) return {0, 0, SupplyMode::kConstantVoltage};
  const double load_ohms = kNominalVolts / LoadAmpsAtNominal();
  const double wanted_amps = supply_.volts / load_ohms;
  if (wanted_amps <= supply_.current_limit) {
    return {supply_.volts, wanted_amps, SupplyMode::kConstantVoltage};
  }
  return {supply_.current_limit * load_ohms, supply_.current_limit, SupplyMode::kConstantCurrent};
}

double BenchCircuit::ModemRail() const {
  return modem_power_->Powered() && Output().volts >= kRailDropoutVolts ? kModemRailVolts : 0.0;
}

double BenchCircuit::Noisy(double exact, double spread) {
  if (exact == 0) return 0;
  std::uniform_real_distribution<double> noise(-spread, spread);
  return exact + noise(noise_);
}

}  // namespace sim
