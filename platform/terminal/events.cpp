#include "platform/terminal/events.h"

#include <memory>

HANDLE CreateEventW(void* /*security_attributes*/, BOOL /*manual_reset*/, BOOL initial_state,
                    LPCWSTR name) {
  if (name != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return platform::InsertHandle(std::make_shared<platform::Event>(initial_state != FALSE));
}
