#include "tools/quorvane-replay/command_line.h"

#include <CLI/CLI.hpp>
#include <cmath>

#include "platform/ports/sandbox_location.h"

namespace quorvane_replay {

using tools::EarlyExit;

namespace {

// A finite number above zero, however CLI11 reads it.
const CLI::Validator kPositive(
    [](const std::string& text) -> std::string {
      try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        if (used == text.size() && std::isfinite(value) && value > 0) return "";
      } catch (const std::exception&) {
      }
      return "must be a number above 0, not \"" + text + "\"";
    },
    "NUMBER>0");

}  // namespace

std::variant<Invocation, EarlyExit> ParseCommandLine(int argc, char** argv) {
  CLI::App app{
      "Plays the blocks a session record received back into the far ends of the simulated "
      "terminal's serial ports, with their original gaps unless told otherwise. Exit status: 0 "
      "when every block was written, 1 otherwise.",
      "quorvane-replay"};
  std::string record, sandbox, port;
  bool as_fast_as_possible = false;
  double speed = 1.0;
  double timeout_seconds = 10.0;
  app.add_option("RECORD", record, "a file of the run's record (session-….log)")->required();
  app.add_option("--sandbox", sandbox,
                 "the simulated terminal's folder, holding tty/COMn (default: "
                 "$XDG_STATE_HOME/quorvane/sim or ~/.local/state/quorvane/sim)");
  app.add_option("--port", port, "only the blocks received on this port (COM1 …)");
  auto* fast =
      app.add_flag("--as-fast-as-possible", as_fast_as_possible, "no gaps between the blocks");
  app.add_option("--speed", speed, "the gaps pass this many times faster (0.5: twice as slow)")
      ->check(kPositive)
      ->excludes(fast);
  app.add_option("--timeout", timeout_seconds,
                 "seconds a block may wait for the console to take it (default 10)")
      ->check(kPositive);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return tools::EarlyExitFrom(app, error, 1);
  }

  Invocation invocation;
  invocation.record = record;
  try {
    invocation.sandbox =
        sandbox.empty() ? platform::DefaultSandboxFolder() : std::filesystem::path(sandbox);
  } catch (const platform::NoDefaultSandbox& error) {
    return EarlyExit{1, error.what()};
  }
  if (!port.empty()) invocation.port = port;
  invocation.speed = as_fast_as_possible ? std::nullopt : std::optional<double>(speed);
  invocation.write_timeout = std::chrono::milliseconds(
      static_cast<std::int64_t>(std::ceil(std::min(timeout_seconds, 1e6) * 1000)));
  return invocation;
}

}  // namespace quorvane_replay
