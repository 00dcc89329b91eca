// The handle table: what CreateFileW and the like hand out. A handle names a kernel object until
// CloseHandle; a thread that is using the object keeps it alive even if another thread closes
// the handle meanwhile, and a closed or made-up handle simply names nothing.
#pragma once

#include <memory>

#include "platform/terminal/win_types.h"

namespace platform {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
};

HANDLE InsertHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookUpHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> LookUpHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookUpHandle(handle));
}

}  // namespace platform

BOOL CloseHandle(HANDLE handle);
