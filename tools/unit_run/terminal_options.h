// The command-line options that name the terminal under test, shared by the tools that run
// plans: a running console's socket or sandbox, a fresh simulated terminal of the tool's own, or
// a terminal's console reached through ssh; and where the instruments beside it are cabled.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/unit_run/unit_run.h"

// Only the command lines that add these options compile CLI11's headers.
namespace CLI {
class App;
}

namespace unit_run {

// The options' values as given, before they are resolved.
struct TerminalOptions {
  std::string socket;
  std::string sandbox;
  bool simulate = false;
  std::string console;
  bool keep = false;
  SshTarget ssh;                         // its destination empty unless --ssh was given
  std::vector<std::string> instruments;  // ROLE=ADDRESS, as given
};

// Adds --socket, --sandbox, --simulate (described by `simulate_help`), --console, --keep, --ssh,
// --ssh-config, --remote-socket and --instrument.
void AddTerminalOptions(CLI::App& app, TerminalOptions& options, const std::string& simulate_help);

// The terminal the options name (the default sandbox's socket when none is given); nothing, with
// `error` saying why, when there is no default sandbox to fall back on or ssh cannot be told to
// reach the terminal as given.
std::optional<TerminalChoice> ResolveTerminal(const TerminalOptions& options,
                                              const std::filesystem::path& self,
                                              std::string& error);

}  // namespace unit_run
