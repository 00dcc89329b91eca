// quorvane-station: tests unit after unit at the end of the line (see command_line.h for the
// options and exit statuses).
#include <QApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>

#include <iostream>
#include <thread>

#include "plan/plan_reader.h"
#include "platform/linux/screen_choice.h"
#include "tools/quorvane-station/command_line.h"
#include "tools/quorvane-station/qt/station_look.h"
#include "tools/quorvane-station/qt/window_desk.h"
#include "tools/quorvane-station/station_loop.h"
#include "tools/quorvane-station/terminal_desk.h"
#include "tools/unit_run/line_forwarder.h"
#include "tools/unit_run/stop_signals.h"
#include "tools/unit_run/unit_run.h"

namespace {

constexpr int kError = 2;
constexpr int kRefused = 3;

int ExitStatus(station::StationEnd end) {
  switch (end) {
    case station::StationEnd::kClosed:
      return 0;
    case station::StationEnd::kStopped:
      return unit_run::StoppedExitStatus();
    case station::StationEnd::kRefused:
      return kRefused;
  }
  return kError;
}

// The station in its window: the loop runs on a thread of its own, the window on this one, and
// the application ends once the loop has (closing the window stops the loop first).
int RunInWindow(int& argc, char** argv, const plan::Plan& plan,
                const station::StationSettings& settings, plan::StopRequest& stop) {
  auto application = station::MakeStationApplication(argc, argv);
  station::WindowDesk desk(stop);
  // The whole screen, as an operator's panel at the end of the line is used.
  desk.window().setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
  desk.window().show();
  int status = kError;
  std::thread loop([&] {
    try {
      status = ExitStatus(station::RunStation(plan, settings, desk, stop));
    } catch (const std::exception& error) {
      std::cerr << "quorvane-station: " << error.what() << '\n';
    }
    QMetaObject::invokeMethod(application.get(), &QCoreApplication::quit, Qt::QueuedConnection);
  });
  application->exec();
  loop.join();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto stop = unit_run::StopOnSignals(error);
  if (!stop) {
    std::cerr << "quorvane-station: " << error << '\n';
    return kError;
  }
  auto parsed = quorvane_station::ParseCommandLine(argc, argv, kRefused);
  if (auto* early = std::get_if<tools::EarlyExit>(&parsed)) {
    return tools::ExitEarly("quorvane-station", *early);
  }
  const auto& invocation = std::get<quorvane_station::Invocation>(parsed);
  unit_run::RevisedPlan read;
  try {
    read = unit_run::ReadRevisedPlan(invocation.plan);
  } catch (const plan::PlanError& refused) {
    std::cerr << "quorvane-station: " << refused.what() << '\n';
    return kRefused;
  }
  const plan::Plan& plan = read.plan;
  const std::string& revision = read.revision;
  const station::StationSettings settings{.station = invocation.station,
                                          .operator_name = invocation.operator_name,
                                          .revision = revision,
                                          .records = invocation.records,
                                          .terminal = invocation.unit_terminal,
                                          .console_version = QUORVANE_VERSION};
  // Forwards on its own thread while units are tested, and gets a short grace at the end.
  const auto forwarding = unit_run::StartForwarding(invocation.records, "quorvane-station");
  if (!invocation.terminal) {
    const platform::ScreenChoice screen = platform::ChooseScreen();
    if (screen.windowed) return RunInWindow(argc, argv, plan, settings, *stop);
    std::cerr << "quorvane-station: " << screen.why_headless << '\n';
  }
  station::TerminalDesk desk;
  return ExitStatus(station::RunStation(plan, settings, desk, *stop));
}
