#include "tools/unit_run/terminal_options.h"

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
}

std::optional<TerminalChoice> ResolveTerminal(const TerminalOptions& options,
                                              const std::filesystem::path& self,
                                              std::string& error) {
  TerminalChoice terminal;
  terminal.simulate = options.simulate;
  terminal.keep = options.keep;
  if (options.simulate) {
    terminal.console =
        options.console.empty() ? FindConsole(self) : std::filesystem::path(options.console);
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
