#include "platform/terminal/handles.h"

#include <mutex>
#include <unordered_map>

namespace platform {

namespace {

// Handle values count up and are never given out twice, so a stale handle kept by mistake names
// nothing rather than whatever object was opened after it.
class HandleTable {
 public:
  HANDLE Insert(std::shared_ptr<KernelObject> object) {
    const std::lock_guard lock(mutex_);
    const std::uintptr_t value = next_value_;
    next_value_ += kStep;
    objects_.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
  }

  std::shared_ptr<KernelObject> Find(HANDLE handle) {
    const std::lock_guard lock(mutex_);
    const auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == objects_.end() ? nullptr : found->second;
  }

  std::shared_ptr<KernelObject> Remove(HANDLE handle) {
    const std::lock_guard lock(mutex_);
    const auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == objects_.end()) return nullptr;
    std::shared_ptr<KernelObject> object = std::move(found->second);
    objects_.erase(found);
    return object;
  }

 private:
  static constexpr std::uintptr_t kStep = 4;
  std::mutex mutex_;
  std::uintptr_t next_value_ = 0x100;
  std::unordered_map<std::uintptr_t, std::shared_ptr<KernelObject>> objects_;
};

HandleTable& Table() {
  static HandleTable table;
  return table;
}

}  // namespace

HANDLE InsertHandle(std::shared_ptr<KernelObject> object) {
  return Table().Insert(std::move(object));
}

std::shared_ptr<KernelObject> LookUpHandle(HANDLE handle) { return Table().Find(handle); }

}  // namespace platform

BOOL CloseHandle(HANDLE handle) {
  // The object is let go outside the table's lock: closing it may close a driver, which may
  // take time or use handles of its own.
  if (platform::Table().Remove(handle) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
