#include "tools/quorvane-station/station_loop.h"

#include <iostream>

#include "tools/quorvane-station/run_view.h"
#include "tools/quorvane-station/session_tally.h"

namespace station {

namespace {

// The next serial number the plan can run on; nothing when the operator ended the station.
std::optional<std::string> NextUnit(const plan::Plan& plan, const SessionTally& tally,
                                    OperatorDesk& desk, const plan::StopRequest& stop) {
  std::string refusal;
  for (;;) {
    auto unit = desk.AskSerial(refusal, tally.tally(), stop);
    if (!unit || stop.stopping()) return std::nullopt;
    const auto refused = unit_run::UnitRefusal(plan, *unit);
    if (!refused) return unit;
    refusal = "\"" + *unit + "\": " + *refused;
  }
}

}  // namespace

StationEnd RunStation(const plan::Plan& plan, const StationSettings& settings, OperatorDesk& desk,
                      const plan::StopRequest& stop) {
  std::string operator_name = settings.operator_name;
  while (operator_name.empty()) {
    auto named = desk.AskOperator(stop);
    if (!named) return StationEnd::kClosed;
    operator_name = *named;
  }
  StationIdentity identity;
  identity.station = settings.station;
  identity.operator_name = operator_name;
  identity.plan = plan.name;
  identity.revision = settings.revision;
  desk.ShowIdentity(identity);

  SessionTally tally;
  while (auto unit = NextUnit(plan, tally, desk, stop)) {
    plan::RunResult header = unit_run::RunHeader(plan, settings.revision, settings.terminal);
    header.unit = *unit;
    header.station = settings.station;
    header.operator_name = operator_name;
    header.console_version = settings.console_version;

    LivePhases phases(plan, *unit, desk);
    const auto ran =
        unit_run::RunUnit(plan, header, settings.terminal, settings.records, desk, stop, phases,
                          [](const std::string& notice) { std::cout << notice << std::endl; });
    for (const auto& fault : ran.faults) std::cerr << "quorvane-station: " << fault << '\n';
    if (ran.refused) return StationEnd::kRefused;

    tally.Count(*unit, ran.run.outcome == plan::Outcome::kPass);
    desk.ShowVerdict(*unit, VerdictOf(ran.run), tally.tally());
    for (const auto& record : ran.records) std::cout << "record: " << record.string() << '\n';
    std::cout << std::flush;
    if (stop.stopping()) return StationEnd::kStopped;
  }
  return StationEnd::kClosed;
}

}  // namespace station
