// quorvane-plan: runs a test plan against the console and writes the unit's reports (see
// command_line.h for the options and exit statuses).
#include <iostream>
#include <memory>

#include "plan/plan_reader.h"
#include "platform/linux/screen_choice.h"
#include "tools/quorvane-plan/command_line.h"
#include "tools/quorvane-plan/window_prompter.h"
#include "tools/unit_run/line_forwarder.h"
#include "tools/unit_run/stop_signals.h"
#include "tools/unit_run/unit_run.h"

namespace {

constexpr int kFailed = 1;
constexpr int kError = 2;
constexpr int kRefused = 3;

int ExitStatus(plan::Outcome outcome) {
  switch (outcome) {
    case plan::Outcome::kPass:
      return 0;
    case plan::Outcome::kFail:
    case plan::Outcome::kTimeout:
      return kFailed;
    case plan::Outcome::kAborted:
      return unit_run::StoppedExitStatus();
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

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto stop = unit_run::StopOnSignals(error);
  if (!stop) {
    std::cerr << "quorvane-plan: " << error << '\n';
    return kError;
  }
  auto parsed = quorvane_plan::ParseCommandLine(argc, argv, kRefused);
  if (auto* early = std::get_if<tools::EarlyExit>(&parsed)) {
    return tools::ExitEarly("quorvane-plan", *early);
  }
  const auto& invocation = std::get<quorvane_plan::Invocation>(parsed);
  unit_run::RevisedPlan read;
  try {
    read = unit_run::ReadRevisedPlan(invocation.plan);
  } catch (const plan::PlanError& refused) {
    std::cerr << "quorvane-plan: " << refused.what() << '\n';
    return kRefused;
  }
  const plan::Plan& plan = read.plan;
  const std::string& revision = read.revision;

  if (auto refusal = unit_run::UnitRefusal(plan, invocation.unit)) {
    std::cerr << "quorvane-plan: " << *refusal << '\n';
    return kRefused;
  }

  // Forwards on its own thread (earlier runs left unforwarded too), with a short grace at the end.
  const auto forwarding = unit_run::StartForwarding(invocation.records, "quorvane-plan");
  plan::RunResult header = unit_run::RunHeader(plan, revision, invocation.terminal);
  header.unit = invocation.unit;
  header.station = invocation.station;
  header.console_version = QUORVANE_VERSION;
  auto prompter = ChoosePrompter(plan, invocation.terminal.simulate, argc, argv);
  const auto unit =
      unit_run::RunUnit(plan, header, invocation.terminal, invocation.records, *prompter, *stop,
                        plan::NoRunObserver(), [](const std::string& notice) {
                          // At once: whoever watches the run may want to look
                          // at the sandbox while it runs.
                          std::cout << notice << std::endl;
                        });
  for (const auto& fault : unit.faults) std::cerr << "quorvane-plan: " << fault << '\n';
  if (unit.refused) return kRefused;
  const plan::RunResult& run = unit.run;
  for (const auto& phase : run.phases) {
    std::cout << plan::VerdictText(phase.outcome, phase.marginal) << "  " << phase.name
              << (phase.message.empty() ? "" : ": " + phase.message) << '\n';
  }
  std::cout << plan::VerdictText(run.outcome, run.marginal) << "  " << plan.name << " (unit "
            << run.unit << ")\n";
  for (const auto& record : unit.records) std::cout << "record: " << record.string() << '\n';
  const bool written = unit.records.size() == 2;
  if (!written && run.outcome == plan::Outcome::kPass) return kError;
  return ExitStatus(run.outcome);
}
