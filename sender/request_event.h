// Each outside sender's request becomes an event of the session (platform/ports/session_events.h)
// as the console takes or refuses it: its verb and arguments, told before anything the request
// sets off, so that the session record writes it as the line before what follows from it.
#pragma once

#include <optional>
#include <string>

#include "sender/protocol.h"

namespace sender {

// Any thread; `refusal` says why the request was refused, when it was.
void EmitRequestEvent(const Request& request, const std::optional<std::string>& refusal);

}  // namespace sender
