// Restarting this machine, for a board that is a real terminal, through the system's own reboot.
// A board that asks the init system for the reboot instead runs its command as a
// platform/linux/bounded_command.h.
#pragma once

namespace platform::posix {

// sync, then reboot(2); returns (false) only when the system refused, as it does without the
// right to reboot.
bool RebootSystem();

}  // namespace platform::posix
