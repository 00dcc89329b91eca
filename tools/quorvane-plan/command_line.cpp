#include "tools/quorvane-plan/command_line.h"

#include <CLI/CLI.hpp>

#include "platform/ports/sandbox_location.h"
#include "platform/terminal/code_page.h"

namespace quorvane_plan {

using tools::EarlyExit;

std::variant<Invocation, EarlyExit> ParseCommandLine(int argc, char** argv, int usage_status) {
  CLI::App app{
      "Runs a test plan against the console through its socket and writes the unit's record "
      "as UNIT_PLAN_START.json and UNIT_PLAN_START.xml (JUnit). Exit status: 0 every phase "
      "passed, 1 a phase failed or timed out, 2 an error (the console unreachable, a step "
      "refused), 3 the plan or the command line is refused, 130/143 stopped by SIGINT/SIGTERM.",
      "quorvane-plan"};
  Invocation invocation;
  std::string sandbox, socket, console;
  app.add_option("PLAN", invocation.plan, "the plan file (TOML)")->required();
  app.add_option("--unit", invocation.unit, "the serial number of the unit under test")->required();
  app.add_option("--station", invocation.station, "the test station's name");
  app.add_option("--out", invocation.out, "the folder for the records (default: .)");
  auto* socket_option = app.add_option("--socket", socket, "the running console's socket");
  auto* sandbox_option = app.add_option(
      "--sandbox", sandbox, "the simulated terminal's folder holding the console's socket");
  socket_option->excludes(sandbox_option);
  auto* simulate = app.add_flag(
      "--simulate", invocation.simulate,
      "start a console of our own on a fresh simulated terminal with the plan's board profile, "
      "answer prompts from the plan's [answers], and end the console afterwards");
  simulate->excludes(socket_option)->excludes(sandbox_option);
  app.add_option("--console", console,
                 "with --simulate: the console program (default: "
                 "quorvane beside this program, else on PATH)")
      ->needs(simulate);
  app.add_flag("--keep", invocation.keep, "with --simulate: keep the simulated terminal's folder")
      ->needs(simulate);
  unit_run::SshTarget ssh;
  auto* ssh_option =
      app.add_option("--ssh", ssh.destination,
                     "reach the console of the terminal at USER@HOST through the system's ssh, "
                     "which forwards its socket (by key or agent, never asking for a password)");
  ssh_option->excludes(socket_option)->excludes(sandbox_option)->excludes(simulate);
  app.add_option("--ssh-config", ssh.config, "with --ssh: ssh's configuration file (ssh -F)")
      ->needs(ssh_option)
      ->check(CLI::ExistingFile);
  app.add_option("--remote-socket", ssh.remote_socket,
                 std::string("with --ssh: the console's socket on the terminal (default: ") +
                     unit_run::kTerminalConsoleSocket + ")")
      ->needs(ssh_option);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    EarlyExit early = tools::EarlyExitFrom(app, error, usage_status);
    if (early.status == 0) early.text += '\n';  // this tool's help ends with an empty line
    return early;
  }
  if (invocation.unit.empty()) return EarlyExit{usage_status, "--unit must not be empty"};
  // The reports hold the serial number exactly as given, and their JSON holds UTF-8 alone.
  if (!platform::FromUtf8(invocation.unit)) {
    return EarlyExit{usage_status, "--unit must be UTF-8 text"};
  }
  if (invocation.out.empty()) invocation.out = ".";
  invocation.console = console;
  if (ssh_option->count() > 0) {
    if (auto refusal = unit_run::SshTargetRefusal(ssh)) return EarlyExit{usage_status, *refusal};
    invocation.ssh = ssh;
  } else if (!invocation.simulate) {
    try {
      if (socket.empty()) {
        invocation.sandbox =
            sandbox.empty() ? platform::DefaultSandboxFolder() : std::filesystem::path(sandbox);
        invocation.socket = platform::ConsoleSocketIn(invocation.sandbox);
      } else {
        invocation.socket = socket;
      }
    } catch (const platform::NoDefaultSandbox& error) {
      return EarlyExit{usage_status, error.what()};
    }
  }
  return invocation;
}

}  // namespace quorvane_plan
