#include "platform/ports/session_events.h"

#include <atomic>

namespace platform {

namespace {

std::atomic<SessionEvents*> installed{nullptr};

}  // namespace

void SetSessionEvents(SessionEvents* events) { installed.store(events, std::memory_order_release); }

SessionEvents* CurrentSessionEvents() { return installed.load(std::memory_order_acquire); }

}  // namespace platform
