// The electrical side of the simulated bench: the supply's output feeding the terminal, and the
// modem's supply rail that the meter reads. The terminal is a load that draws more as it does
// more: an idle draw at 13.8 V, a step while the modem is powered through ETC1:, a smaller one
// for each serial port the console holds open, and any extra load the board profile adds. It
// behaves as a resistance, so a supply set lower draws less; when the current the load would
// draw is above the supply's limit the supply is in current limit: its current is the limit and
// its voltage droops to what the load takes at that current.
//
// The supply governs only the readings: the console runs whatever the supply's output does.
// Readings carry a little noise from a fixed seed, so runs repeat. Used from the bench's thread
// only.
#pragma once

#include <functional>
#include <memory>
#include <random>

#include "sim/modem_power.h"

namespace sim {

inline constexpr double kNominalVolts = 13.8;
inline constexpr double kIdleAmps = 0.30;
inline constexpr double kModemAmps = 0.20;
inline constexpr double kOpenPortAmps = 0.04;
inline constexpr double kModemRailVolts = 3.8;
// Below this input the modem's regulator gives no rail.
inline constexpr double kRailDropoutVolts = 6.0;

struct SupplySetting {
  double volts = 0;
  double current_limit = 1.0;
  bool output = false;
};

enum class SupplyMode { kOff, kConstantVoltage, kConstantCurrent };

struct SupplyOutput {
  double volts = 0;
  double amps = 0;
  SupplyMode mode = SupplyMode::kOff;
};

class BenchCircuit {
 public:
  // `open_ports` counts the serial ports the console holds open now.
  BenchCircuit(std::shared_ptr<const ModemPower> modem_power, std::function<int()> open_ports,
               double extra_load_amps);

  SupplySetting& supply() { return supply_; }

  // Exact values, as the circuit stands now.
  SupplyOutput Output() const;
  double ModemRail() const;

  // What an instrument reads: the exact value with its noise (none on a dead output).
  double Volts(double exact) { return Noisy(exact, 0.003); }
  double Amps(double exact) { return Noisy(exact, 0.002); }

 private:
  double LoadAmpsAtNominal() const;
  double Noisy(double exact, double spread);

  std::shared_ptr<const ModemPower> modem_power_;
  std::function<int()> open_ports_;
  double extra_load_amps_;
  SupplySetting supply_;
  std::minstd_rand noise_{20240501};
};

}  // namespace sim
