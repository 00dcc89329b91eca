// quorvane-station: tests unit after unit at the end of the line (see command_line.h for the
// options and exit statuses).
#include <iostream>
#include <optional>
#include <system_error>

#include "plan/plan_reader.h"
#include "tools/quorvane-station/command_line.h"
#include "tools/quorvane-station/station_loop.h"
#include "tools/quorvane-station/terminal_desk.h"
#include "tools/unit_run/stop_signals.h"

namespace {

constexpr int kError = 2;
constexpr int kRefused = 3;

}  // namespace

int main(int argc, char** argv) {
  std::optional<plan::StopRequest> stop;
  try {
    stop.emplace();
  } catch (const std::system_error& error) {
    std::cerr << "quorvane-station: cannot watch for Ctrl-C: " << error.what() << '\n';
    return kError;
  }
  unit_run::CatchStopSignals(*stop);
  auto parsed = quorvane_station::ParseCommandLine(argc, argv, kRefused);
  if (auto* early = std::get_if<tools::EarlyExit>(&parsed)) {
    return tools::ExitEarly("quorvane-station", *early);
  }
  const auto& invocation = std::get<quorvane_station::Invocation>(parsed);
  plan::Plan plan;
  try {
    plan = plan::ReadPlan(invocation.plan);
  } catch (const plan::PlanError& error) {
    std::cerr << "quorvane-station: " << error.what() << '\n';
    return kRefused;
  }
  const station::StationSettings settings{.station = invocation.station,
                                          .operator_name = invocation.operator_name,
                                          .out = invocation.out,
                                          .terminal = invocation.unit_terminal,
                                          .console_version = QUORVANE_VERSION};
  station::TerminalDesk desk;
  switch (station::RunStation(plan, settings, desk, *stop)) {
    case station::StationEnd::kClosed:
      return 0;
    case station::StationEnd::kStopped:
      return unit_run::StoppedExitStatus();
    case station::StationEnd::kRefused:
      return kRefused;
  }
  return kError;
}
