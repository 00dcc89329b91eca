// The simulated bench's three instruments as SCPI command tables: a bench supply feeding the
// terminal, a meter on the modem's supply rail, and a relay board whose channel 1 puts the
// loopback plug on COM1. Each answers the common commands besides its own (scpi_instrument.h);
// the README lists them all.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "sim/bench_circuit.h"
#include "sim/scpi_instrument.h"

namespace sim {

inline constexpr std::string_view kSupplyIdentity = "Quorvane Sim,PSU-1,SIM0001,1.0";
inline constexpr std::string_view kMeterIdentity = "Quorvane Sim,DMM-1,SIM0002,1.0";
inline constexpr std::string_view kRelayIdentity = "Quorvane Sim,RLY-1,SIM0003,1.0";

inline constexpr double kMostSupplyVolts = 30.0;
inline constexpr double kMostSupplyAmps = 5.0;
inline constexpr int kRelayChannels = 4;

// The supply sets and measures `circuit`, which must outlive it.
std::unique_ptr<ScpiInstrument> MakeSupply(BenchCircuit& circuit, std::string identity);
// The meter reads the modem's rail of `circuit`, which must outlive it.
std::unique_ptr<ScpiInstrument> MakeMeter(BenchCircuit& circuit, std::string identity);

// Told each time a relay channel (1 to kRelayChannels) changes.
using RelaySwitched = std::function<void(int channel, bool closed)>;
// Channel 1 starts as `channel_1_closed`, the others open; *RST opens them all.
std::unique_ptr<ScpiInstrument> MakeRelay(RelaySwitched switched, bool channel_1_closed,
                                          std::string identity);

}  // namespace sim
