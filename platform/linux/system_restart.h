// Restarting this machine, for a board that is a real terminal: the system's own reboot, or a
// command that asks the init system for one.
#pragma once

#include <string>
#include <vector>

namespace platform::posix {

// sync, then reboot(2); returns (false) only when the system refused, as it does without the
// right to reboot.
bool RebootSystem();

// Runs `command` (the program searched on PATH) and waits for it; true when it exited with
// status 0.
bool RunToCompletion(const std::vector<std::string>& command);

}  // namespace platform::posix
