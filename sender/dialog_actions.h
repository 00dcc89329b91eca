// Carrying out an outside sender's request on the dialog, on the user-interface thread, the way a
// person's input would arrive: a click goes to the button (so radio check marks move), typing
// and selecting go to edit controls only, and while the dialog is disabled (a message box is
// open) a person's input is refused. Messages and reads are not a person's input and go through.
#pragma once

#include <optional>
#include <string>

#include "platform/terminal/win_types.h"
#include "sender/protocol.h"

namespace sender {

inline constexpr char kConsoleClosing[] = "the console is closing";
inline constexpr char kMessageBoxOpen[] = "a message box is open";

// On the thread that owns `dialog`. The request has passed Validate.
Reply CarryOut(HWND dialog, const Request& request);
// Why CarryOut would refuse `request` if it ran now, without running it; nothing when it would
// not. A read is refused only when it runs.
std::optional<std::string> RefusalOf(HWND dialog, const Request& request);

}  // namespace sender
