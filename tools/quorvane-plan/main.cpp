// quorvane-plan: runs a test plan against the console and writes the unit's reports (see
// command_line.h for the options and exit statuses).
#include <signal.h>

#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <system_error>

#include "plan/atomic_file.h"
#include "plan/plan_reader.h"
#include "plan/plan_revision.h"
#include "plan/report_names.h"
#include "plan/run_report.h"
#include "plan/runner.h"
#include "plan/socket_link.h"
#include "plan/unit_check.h"
#include "platform/linux/screen_choice.h"
#include "tools/quorvane-plan/command_line.h"
#include "tools/quorvane-plan/kept_session_record.h"
#include "tools/quorvane-plan/simulated_console.h"
#include "tools/quorvane-plan/volume_files.h"
#include "tools/quorvane-plan/window_prompter.h"

namespace {

constexpr int kFailed = 1;
constexpr int kError = 2;
constexpr int kRefused = 3;

// Set once, before the handlers are installed.
plan::StopRequest* g_stop = nullptr;
volatile sig_atomic_t g_last_signal = 0;

void OnStopSignal(int signal_number) {
  g_last_signal = signal_number;
  g_stop->Raise();
}

void CatchStopSignals(plan::StopRequest& stop) {
  g_stop = &stop;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

int ExitStatus(plan::Outcome outcome) {
  switch (outcome) {
    case plan::Outcome::kPass:
      return 0;
    case plan::Outcome::kFail:
    case plan::Outcome::kTimeout:
      return kFailed;
    case plan::Outcome::kAborted:
      return 128 + (g_last_signal ? g_last_signal : SIGINT);
    default:
      return kError;
  }
}

std::unique_ptr<plan::Prompter> ChoosePrompter(const plan::Plan& plan, bool simulate, int& argc,
                                               char** argv) {
  if (simulate) return std::make_unique<plan::ScriptedPrompter>(plan.answers);
  if (platform::ChooseScreen().windowed) {
    return std::make_unique<quorvane_plan::WindowPrompter>(argc, argv);
  }
  return std::make_unique<plan::TerminalPrompter>();
}

// Writes OUT/STEM.json and OUT/STEM.xml, neither replacing a file already there.
bool WriteReports(const plan::RunResult& run, const std::filesystem::path& out,
                  const std::string& stem) {
  bool written = true;
  for (const auto& [file, text] : {std::pair{out / (stem + ".json"), plan::JsonReport(run, out)},
                                   std::pair{out / (stem + ".xml"), plan::JunitReport(run, out)}}) {
    if (auto fault = plan::WriteNewFileWhole(file, text)) {
      std::cerr << "quorvane-plan: " << *fault << '\n';
      written = false;
    } else {
      std::cout << "record: " << file.string() << '\n';
    }
  }
  return written;
}

// The stem no earlier run in OUT took, for a run that began at `run.start`.
std::string FreeStem(const plan::RunResult& run, const std::filesystem::path& out) {
  std::error_code error;
  std::filesystem::create_directories(out, error);
  return plan::FreeReportStem(out, plan::ReportStem(run.unit, run.plan_name, run.start));
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<plan::StopRequest> stop;
  try {
    stop.emplace();
  } catch (const std::system_error& error) {
    std::cerr << "quorvane-plan: cannot watch for Ctrl-C: " << error.what() << '\n';
    return kError;
  }
  CatchStopSignals(*stop);
  auto parsed = quorvane_plan::ParseCommandLine(argc, argv, kRefused);
  if (auto* early = std::get_if<tools::EarlyExit>(&parsed)) {
    return tools::ExitEarly("quorvane-plan", *early);
  }
  const auto& invocation = std::get<quorvane_plan::Invocation>(parsed);
  plan::Plan plan;
  std::string revision;
  try {
    plan = plan::ReadPlan(invocation.plan);
    revision = plan::PlanRevision(plan);
  } catch (const plan::PlanError& error) {
    std::cerr << "quorvane-plan: " << error.what() << '\n';
    return kRefused;
  }
  if (auto refusal = plan::UnitRefusal(plan, invocation.unit)) {
    std::cerr << "quorvane-plan: --unit: " << *refusal << '\n';
    return kRefused;
  }

  if (plan::ReportStem(invocation.unit, plan.name, {}).size() > plan::kLongestReportStem) {
    std::cerr << "quorvane-plan: the unit and the plan's name make the records' names longer "
                 "than "
              << plan::kLongestReportStem << " bytes\n";
    return kRefused;
  }

  plan::RunResult run;
  run.plan_name = plan.name;
  run.plan_file = plan.file.string();
  run.plan_revision = revision;
  run.unit = invocation.unit;
  run.station = invocation.station;
  run.console_version = QUORVANE_VERSION;
  if (plan.board && invocation.simulate) run.board_profile = plan.board->string();
  std::string stem;
  {
    std::optional<quorvane_plan::SimulatedConsole> simulated;
    std::filesystem::path socket = invocation.socket;
    std::filesystem::path sandbox = invocation.sandbox;
    std::string error;
    const auto not_started = [&] {
      std::cerr << "quorvane-plan: " << error << '\n';
      run.start = run.end = std::chrono::system_clock::now();
      run.outcome = stop->stopping() ? plan::Outcome::kAborted : plan::Outcome::kError;
      run.message = error;
      WriteReports(run, invocation.out, FreeStem(run, invocation.out));
      return ExitStatus(run.outcome);
    };
    if (invocation.simulate) {
      simulated.emplace();
      if (!simulated->MakeFolder(error)) return not_started();
      sandbox = simulated->sandbox();
    }
    std::optional<quorvane_plan::VolumeFiles> files;
    try {
      // A plan that checks no files leaves the board profile to the console alone.
      const bool checks_files = plan::ChecksFiles(plan);
      files.emplace(checks_files ? sandbox : std::filesystem::path(),
                    checks_files ? plan.board : std::nullopt);
      plan::CheckTerminalFiles(plan, *files);
    } catch (const std::runtime_error& refused) {  // plan::PlanError, board::BoardError
      std::cerr << "quorvane-plan: " << refused.what() << '\n';
      return kRefused;
    }
    auto prompter = ChoosePrompter(plan, invocation.simulate, argc, argv);
    if (invocation.simulate) {
      const auto program =
          invocation.console.empty() ? quorvane_plan::FindConsole(argv[0]) : invocation.console;
      if (invocation.keep) simulated->Keep();
      if (!simulated->Start(program, plan.board, *stop, error)) return not_started();
      socket = simulated->socket();
      if (invocation.keep) {
        // At once: whoever watches the run may want to look at the sandbox while it runs.
        std::cout << "simulated terminal: " << simulated->folder().string() << std::endl;
      }
    }
    plan::SocketLink link(socket, *stop);
    plan::RunPlan(plan, link, *files, *prompter, *stop, run);
    stem = FreeStem(run, invocation.out);
    if (simulated) {
      simulated->End();
      const auto kept = invocation.out / (stem + ".session");
      if (!quorvane_plan::KeepSessionRecord(simulated->sandbox() / "logs", kept, run, error)) {
        std::cerr << "quorvane-plan: " << error << "; the whole session record stays in "
                  << (simulated->sandbox() / "logs").string() << '\n';
        simulated->Keep();
      }
    }
  }
  for (const auto& phase : run.phases) {
    std::cout << plan::VerdictText(phase.outcome, phase.marginal) << "  " << phase.name
              << (phase.message.empty() ? "" : ": " + phase.message) << '\n';
  }
  std::cout << plan::VerdictText(run.outcome, run.marginal) << "  " << plan.name << " (unit "
            << run.unit << ")\n";
  const bool written = WriteReports(run, invocation.out, stem);
  if (!written && run.outcome == plan::Outcome::kPass) return kError;
  return ExitStatus(run.outcome);
}
