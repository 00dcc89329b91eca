// Carrying out an outside sender's request on the dialog, on the user-interface thread. Clicks,
// typing and selecting are a person's input and go through the rule a tap on the screen goes
// through (platform/ports/person_input.h), addressed by control id; a command whose id no control
// carries reaches the dialog as the bare command. Messages and reads are not a person's input
// and go through even while a message box is open.
#pragma once

#include <optional>
#include <string>

#include "platform/terminal/win_types.h"
#include "sender/protocol.h"

namespace sender {

inline constexpr char kConsoleClosing[] = "the console is closing";

// On the thread that owns `dialog`. The request has passed Validate and is no read (see Read).
Reply CarryOut(HWND dialog, const Request& request);

// A read's reply line, made from the control's text where it lies (text_reply.h), and why the
// read was refused when it was.
struct ReadReply {
  std::string line;
  std::optional<std::string> error;
};
// On the thread that owns `dialog`.
ReadReply Read(HWND dialog, const ReadRequest& read);
// Why CarryOut would refuse `request` if it ran now, without running it; nothing when it would
// not. A read is refused only when it runs.
std::optional<std::string> RefusalOf(HWND dialog, const Request& request);

}  // namespace sender
