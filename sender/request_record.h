// Each outside sender's request goes into the session's record (platform/ports/session_events.h)
// as the console takes or refuses it, verb and arguments, before anything it sets off.
#pragma once

#include <optional>
#include <string>

#include "sender/protocol.h"

namespace sender {

// Any thread; `refusal` says why the request was refused, when it was.
void RecordRequest(const Request& request, const std::optional<std::string>& refusal);

}  // namespace sender
