#include "tools/unit_run/terminal_options.h"

#include <CLI/CLI.hpp>

#include "instrument/address.h"
#include "platform/ports/sandbox_location.h"
#include "tools/unit_run/simulated_console.h"

namespace unit_run {

void AddTerminalOptions(CLI::App& app, TerminalOptions& options, const std::string& simulate_help) {
  auto* socket = app.add_option("--socket", options.socket, "the running console's socket");
  auto* sandbox = app.add_option("--sandbox", options.sandbox,
                                 "the simulated terminal's folder holding the console's socket");
  socket->excludes(sandbox);
  auto* simulate = app.add_flag("--simulate", options.simulate, simulate_help);
  simulate->excludes(socket)->excludes(sandbox);
  app.add_option("--console", options.console,
                 "with --simulate: the console program (default: "
                 "quorvane beside this program, else on PATH)")
      ->needs(simulate);
  app.add_flag("--keep", options.keep, "with --simulate: keep the simulated terminal's folder")
      ->needs(simulate);
  auto* ssh =
      app.add_option("--ssh", options.ssh.destination,
                     "reach the console of the terminal at USER@HOST through the system's ssh, "
                     "which forwards its socket (by key or agent, never asking for a password)");
  ssh->excludes(socket)->excludes(sandbox)->excludes(simulate);
  app.add_option("--ssh-config", options.ssh.config,
                 "with --ssh: ssh's configuration file (ssh -F)")
      ->needs(ssh)
      ->check(CLI::ExistingFile);
  app.add_option("--remote-socket", options.ssh.remote_socket,
                 std::string("with --ssh: the console's socket on the terminal (default: ") +
                     kTerminalConsoleSocket + ")")
      ->needs(ssh);
  app.add_option("--instrument", options.instruments,
                 "ROLE=ADDRESS: reach the plan's instrument ROLE at ADDRESS (tcp:HOST[:PORT], "
                 "serial:PATH[@BAUD], usbtmc:PATH) instead of where the plan says; repeatable")
      ->type_name("ROLE=ADDRESS");
}

namespace {

// The --instrument options as roles and addresses; nothing, with `error`, for one that is not
// ROLE=ADDRESS with an address of a known form, or names a role twice.
std::optional<std::map<std::string, std::string>> InstrumentAddresses(
    const std::vector<std::string>& given, std::string& error) {
  std::map<std::string, std::string> addresses;
  for (const std::string& option : given) {
    const std::size_t equals = option.find('=');
    if (equals == std::string::npos || equals == 0) {
      error = "--instrument " + option + ": ROLE=ADDRESS expected";
      return std::nullopt;
    }
    const std::string role = option.substr(0, equals);
    std::string address_error;
    if (!instrument::ParseAddress(option.substr(equals + 1), address_error)) {
      error = "--instrument " + option + ": " + address_error;
      return std::nullopt;
    }
    if (!addresses.emplace(role, option.substr(equals + 1)).second) {
      error = "--instrument names the role " + role + " twice";
      return std::nullopt;
    }
  }
  return addresses;
}

}  // namespace

std::optional<TerminalChoice> ResolveTerminal(const TerminalOptions& options,
                                              const std::filesystem::path& self,
                                              std::string& error) {
  TerminalChoice terminal;
  auto instruments = InstrumentAddresses(options.instruments, error);
  if (!instruments) return std::nullopt;
  terminal.instruments = std::move(*instruments);
  terminal.simulate = options.simulate;
  terminal.keep = options.keep;
  if (options.simulate) {
    terminal.console =
        options.console.empty() ? FindConsole(self) : std::filesystem::path(options.console);
    return terminal;
  }
  if (!options.ssh.destination.empty()) {
    if (auto refusal = SshTargetRefusal(options.ssh)) {
      error = *refusal;
      return std::nullopt;
    }
    terminal.ssh = options.ssh;
    return terminal;
  }
  if (!options.socket.empty()) {
    terminal.socket = options.socket;
    return terminal;
  }
  try {
    terminal.sandbox = options.sandbox.empty() ? platform::DefaultSandboxFolder()
                                               : std::filesystem::path(options.sandbox);
  } catch (const platform::NoDefaultSandbox& no_default) {
    error = no_default.what();
    return std::nullopt;
  }
  terminal.socket = platform::ConsoleSocketIn(terminal.sandbox);
  return terminal;
}

}  // namespace unit_run
