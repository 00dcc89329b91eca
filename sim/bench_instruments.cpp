#include "sim/bench_instruments.h"

#include <array>
#include <charconv>
#include <span>
#include <utility>
#include <vector>

namespace sim {

namespace {

using Parameters = std::span<const std::string>;

std::string Flag(bool on) { return on ? "1" : "0"; }

std::string ModeName(SupplyMode mode) {
  switch (mode) {
    case SupplyMode::kOff:
      return "OFF";
    case SupplyMode::kConstantVoltage:
      return "CV";
    case SupplyMode::kConstantCurrent:
      return "CC";
  }
  return "OFF";
}

int Channel(std::string_view text) {
  int channel = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), channel);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    throw ScpiFault{ScpiError::kIllegalParameterValue};
  }
  if (channel < 1 || channel > kRelayChannels) throw ScpiFault{ScpiError::kDataOutOfRange};
  return channel;
}

// A channel list: "(@1)", "(@1,3)" or a range "(@1:4)".
std::vector<int> ChannelList(std::string_view text) {
  if (text.size() < 4 || text.substr(0, 2) != "(@" || text.back() != ')') {
    throw ScpiFault{ScpiError::kIllegalParameterValue};
  }
  text = text.substr(2, text.size() - 3);
  std::vector<int> channels;
  while (true) {
    const std::size_t end = std::min(text.find(','), text.size());
    const std::string_view item = text.substr(0, end);
    const std::size_t colon = item.find(':');
    const int first = Channel(item.substr(0, colon));
    const int last = colon == std::string_view::npos ? first : Channel(item.substr(colon + 1));
    for (int channel = first; channel <= last; ++channel) channels.push_back(channel);
    if (end == text.size()) return channels;
    text.remove_prefix(end + 1);
  }
}

// The relay board's channels, changed only through Set so that each change is told.
class RelayChannels {
 public:
  RelayChannels(RelaySwitched switched, bool channel_1_closed) : switched_(std::move(switched)) {
    closed_[0] = channel_1_closed;
  }

  void Set(Parameters parameters, bool closed) {
    for (int channel : ChannelList(parameters[0])) {
      bool& state = closed_[static_cast<std::size_t>(channel - 1)];
      if (state == closed) continue;
      state = closed;
      switched_(channel, closed);
    }
  }

  std::string Ask(Parameters parameters, bool closed) const {
    std::string answer;
    for (int channel : ChannelList(parameters[0])) {
      if (!answer.empty()) answer += ',';
      answer += Flag(closed_[static_cast<std::size_t>(channel - 1)] == closed);
    }
    return answer;
  }

  void OpenAll() {
    for (int channel = 1; channel <= kRelayChannels; ++channel) {
      bool& state = closed_[static_cast<std::size_t>(channel - 1)];
      if (state) switched_(channel, state = false);
    }
  }

 private:
  RelaySwitched switched_;
  std::array<bool, kRelayChannels> closed_{};
};

}  // namespace

std::unique_ptr<ScpiInstrument> MakeSupply(BenchCircuit& circuit, std::string identity) {
  SupplySetting& supply = circuit.supply();
  return std::make_unique<ScpiInstrument>(
      std::move(identity), [&supply] { supply = SupplySetting{}; },
      std::vector<ScpiCommand>{
          {"[SOURce:]VOLTage[:LEVel]", 1,
           [&supply](Parameters p) {
             supply.volts = ScpiNumber(p[0], 0, kMostSupplyVolts);
             return std::string();
           }},
          {"[SOURce:]VOLTage[:LEVel]?", 0,
           [&supply](Parameters) { return ScpiDecimal(supply.volts); }},
          {"[SOURce:]CURRent[:LEVel]", 1,
           [&supply](Parameters p) {
             supply.current_limit = ScpiNumber(p[0], 0, kMostSupplyAmps);
             return std::string();
           }},
          {"[SOURce:]CURRent[:LEVel]?", 0,
           [&supply](Parameters) { return ScpiDecimal(supply.current_limit); }},
          {"OUTPut[:STATe]", 1,
           [&supply](Parameters p) {
             supply.output = ScpiBoolean(p[0]);
             return std::string();
           }},
          {"OUTPut[:STATe]?", 0, [&supply](Parameters) { return Flag(supply.output); }},
          {"OUTPut:MODE?", 0, [&circuit](Parameters) { return ModeName(circuit.Output().mode); }},
          {"MEASure[:SCALar]:VOLTage[:DC]?", 0,
           [&circuit](Parameters) { return ScpiDecimal(circuit.Volts(circuit.Output().volts)); }},
          {"MEASure[:SCALar]:CURRent[:DC]?", 0,
           [&circuit](Parameters) { return ScpiDecimal(circuit.Amps(circuit.Output().amps)); }},
      });
}

std::unique_ptr<ScpiInstrument> MakeMeter(BenchCircuit& circuit, std::string identity) {
  const auto read = [&circuit](Parameters) {
    return ScpiDecimal(circuit.Volts(circuit.ModemRail()));
  };
  return std::make_unique<ScpiInstrument>(
      std::move(identity), [] {},
      std::vector<ScpiCommand>{
          {"MEASure[:VOLTage][:DC]?", 0, read},
          {"READ?", 0, read},
      });
}

std::unique_ptr<ScpiInstrument> MakeRelay(RelaySwitched switched, bool channel_1_closed,
                                          std::string identity) {
  auto channels = std::make_shared<RelayChannels>(std::move(switched), channel_1_closed);
  return std::make_unique<ScpiInstrument>(
      std::move(identity), [channels] { channels->OpenAll(); },
      std::vector<ScpiCommand>{
          {"ROUTe:CLOSe", 1,
           [channels](Parameters p) {
             channels->Set(p, true);
             return std::string();
           }},
          {"ROUTe:OPEN", 1,
           [channels](Parameters p) {
             channels->Set(p, false);
             return std::string();
           }},
          {"ROUTe:CLOSe?", 1, [channels](Parameters p) { return channels->Ask(p, true); }},
          {"ROUTe:OPEN?", 1, [channels](Parameters p) { return channels->Ask(p, false); }},
      });
}

}  // namespace sim
