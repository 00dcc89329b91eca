// Which window messages an outside sender may hand the console. Only messages whose WPARAM and
// LPARAM are plain values pass: the console takes the parameters of most other messages as
// pointers or buffer sizes (WM_SETTEXT, WM_GETTEXT, EM_GETSEL, WM_SETICON, and the serial watch
// thread's WM_COMM_READ, whose count indexes the receive buffer), so a sender could make it read
// or write memory of the sender's choosing. Messages that end the window's life from the inside
// (WM_DESTROY) are refused too; WM_CLOSE is how an outsider asks the dialog to close.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sender {

// Why message `number` (0 to 65535) is refused, naming it; nothing when it may be sent.
std::optional<std::string> RefusalOfMessage(std::int64_t number);

}  // namespace sender
