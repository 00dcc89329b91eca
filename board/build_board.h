// Puts a platform::Board together for this machine: the simulated terminal in its sandbox, with
// whatever a board profile moves elsewhere or marks absent. The board comes back whole or not at
// all, so the console never starts half configured.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include "board/profile.h"
#include "platform/ports/board.h"

namespace board {

struct BoardOptions {
  std::filesystem::path sandbox;                 // --sandbox, or platform::DefaultSandboxFolder()
  std::optional<std::filesystem::path> profile;  // --board, or ProfileFromEnvironment()
  // Called when only the serial lines are left to build: the steps before may wait (a terminal
  // as the debug port waits for its carrier) and leave nothing that has to be taken away, while
  // the lines put links in the sandbox that stay until the board is replaced.
  std::function<void()> before_serial_lines = nullptr;
  // The simulated terminal's warm restart: called on the user-interface thread once the restart
  // is recorded in the sandbox; it has the console end its dialog and start again in place. Null:
  // the board cannot restart.
  std::function<void()> restart_in_place = nullptr;
};

// QUORVANE_BOARD when it is set and not empty.
std::optional<std::filesystem::path> ProfileFromEnvironment();

// Reads the profile first, so that a broken one changes nothing on disk; then prepares the
// sandbox, starts the driver journal in it and builds the board, starting the simulated serial
// lines last; they stop when the board is replaced (platform::InstallBoard({}) stops them).
// Throws BoardError for anything that stops it: the profile's faults as "FILE:LINE: what is
// wrong", an unusable sandbox, a journal or debug port file that cannot be opened, a system that
// gives no pseudo-terminal.
platform::Board BuildBoard(const BoardOptions& options);

}  // namespace board
