// Events as kernel objects: CreateEventW gives a handle in the handle table, CloseHandle closes
// it. The console uses them only as the events of its OVERLAPPED records, which the serial calls
// signal as they return. No call of the platform waits on an event, so there is no
// WaitForSingleObject, and a manual-reset event differs from an auto-reset one in nothing.
#pragma once

#include <atomic>

#include "platform/terminal/handles.h"
#include "platform/terminal/win_types.h"

namespace platform {

class Event final : public KernelObject {
 public:
  explicit Event(bool signalled) : signalled_(signalled) {}
  void Set() { signalled_ = true; }
  void Reset() { signalled_ = false; }
  bool IsSignalled() const { return signalled_; }

 private:
  std::atomic<bool> signalled_;
};

}  // namespace platform

// Named events are not offered: a name fails with ERROR_INVALID_PARAMETER rather than giving an
// event that other openers of the name would not share.
HANDLE CreateEventW(void* security_attributes, BOOL manual_reset, BOOL initial_state, LPCWSTR name);
