// The station: the operator's name once, then unit after unit: its serial number (typed, or a
// scanner's line ending in Enter), the plan run on that unit's terminal, its phases shown as they
// go, the verdict, the records stored beside those of every earlier run; then ready for the next.
// A stop or the end of the input while the station waits for a serial number ends it cleanly; a
// stop during a unit ends that run as the plan tool's does (teardown, an ABORTED record) and then
// the station.
#pragma once

#include <filesystem>
#include <string>

#include "plan/plan.h"
#include "plan/stop_request.h"
#include "tools/quorvane-station/operator_desk.h"
#include "tools/unit_run/unit_run.h"

namespace station {

struct StationSettings {
  std::string station;
  std::string operator_name;       // asked once at the start when empty
  std::string revision;            // the plan's, as every record carries it
  unit_run::RecordsPlace records;  // where every run's records go, and the store
  unit_run::TerminalChoice terminal;
  std::string console_version;
};

enum class StationEnd {
  kClosed,   // the operator ended it between units
  kStopped,  // a stop came during a unit
  kRefused,  // the plan cannot run on this station's terminals
};

StationEnd RunStation(const plan::Plan& plan, const StationSettings& settings, OperatorDesk& desk,
                      const plan::StopRequest& stop);

}  // namespace station
