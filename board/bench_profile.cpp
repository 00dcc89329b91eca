#include "board/bench_profile.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "platform/linux/toml_fields.h"
#include "platform/linux/toml_keys.h"

namespace board {

namespace {

using platform::TomlKey;

// One instrument's table as it is read.
struct InstrumentTable {
  std::string setting;  // "bench.supply"
  sim::InstrumentFaults& faults;
  double* extra_load_amps = nullptr;  // the supply's only
};

std::string Named(const InstrumentTable& table, std::string_view key) {
  return table.setting + "." + std::string(key);
}

void ReadIdentity(InstrumentTable& table, const toml::node& node) {
  const std::string setting = Named(table, "idn");
  const std::string& identity = platform::TomlString(node, setting);
  const bool printable = std::all_of(identity.begin(), identity.end(),
                                     [](char c) { return c >= ' ' && c <= '~' && c != ';'; });
  if (identity.empty() || identity.size() > kMostIdentityBytes || !printable) {
    throw platform::TomlSettingError(node.source(), setting + " must be 1 to " +
                                                        std::to_string(kMostIdentityBytes) +
                                                        " printable ASCII characters without ';'");
  }
  table.faults.identity = identity;
}

void ReadAnswerDelay(InstrumentTable& table, const toml::node& node) {
  table.faults.answer_delay = std::chrono::milliseconds(
      platform::TomlIntegerIn(node, Named(table, "answer_delay_ms"), 0, kMostAnswerDelayMs));
}

void ReadSilent(InstrumentTable& table, const toml::node& node) {
  const auto* silent = node.as_boolean();
  if (silent == nullptr) platform::FailTomlType(node, Named(table, "silent"), "true or false");
  table.faults.silent = silent->get();
}

void ReadExtraLoad(InstrumentTable& table, const toml::node& node) {
  const std::string setting = Named(table, "extra_load_a");
  if (table.extra_load_amps == nullptr) {
    throw platform::TomlSettingError(node.source(), "extra_load_a belongs to bench.supply only");
  }
  const std::optional<double> amps = node.value<double>();
  if (!amps) platform::FailTomlType(node, setting, "a number of amperes");
  if (!(*amps >= 0 && *amps <= kMostExtraLoadAmps)) {
    throw platform::TomlSettingError(node.source(), setting + " must be from 0 to " +
                                                        std::to_string(int(kMostExtraLoadAmps)) +
                                                        " A, not " + std::to_string(*amps));
  }
  *table.extra_load_amps = *amps;
}

using InstrumentReader = void (*)(InstrumentTable&, const toml::node&);

}  // namespace

sim::BenchSettings ReadBenchProfile(const toml::node& bench) {
  static constexpr auto kSettings = std::to_array<TomlKey<InstrumentReader>>({
      {"idn", &ReadIdentity},
      {"answer_delay_ms", &ReadAnswerDelay},
      {"silent", &ReadSilent},
      {"extra_load_a", &ReadExtraLoad},
  });
  sim::BenchSettings settings;
  const std::array<std::pair<std::string_view, sim::InstrumentFaults*>, 3> instruments{{
      {"supply", &settings.supply},
      {"meter", &settings.meter},
      {"relay", &settings.relay},
  }};
  for (const auto& [key, value] : platform::TomlTable(bench, "bench")) {
    const std::string_view name = key.str();
    const auto found = std::find_if(instruments.begin(), instruments.end(),
                                    [name](const auto& entry) { return entry.first == name; });
    if (found == instruments.end()) {
      throw platform::TomlSettingError(key.source(), "unknown instrument \"bench." +
                                                         std::string(key.str()) +
                                                         "\" (known: supply, meter, relay)");
    }
    InstrumentTable table{
        "bench." + std::string(key.str()), *found->second,
        found->second == &settings.supply ? &settings.supply_extra_load_amps : nullptr};
    platform::ReadTomlKeys(
        platform::TomlTable(value, table.setting), kSettings,
        [&table](std::string_view unknown, const std::string& known) {
          return "unknown setting \"" + table.setting + "." + std::string(unknown) +
                 "\" (known: " + known + ")";
        },
        table);
  }
  return settings;
}

}  // namespace board
