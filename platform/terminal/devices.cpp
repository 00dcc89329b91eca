#include "platform/terminal/devices.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "platform/ports/board.h"
#include "platform/ports/session_events.h"
#include "platform/terminal/handles.h"
#include "platform/terminal/serial.h"

namespace platform {

namespace {

// Device names are ASCII ("ETC1:"), so ASCII case is all there is to fold.
std::wstring DeviceKey(std::wstring_view name) {
  std::wstring key(name);
  for (wchar_t& c : key) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return key;
}

// The key as the session's record names the device; the names the board gives are ASCII.
std::string RecordName(std::wstring_view name) {
  const std::wstring key = DeviceKey(name);
  std::string narrow;
  for (const wchar_t c : key) narrow += c < 0x80 ? static_cast<char>(c) : '?';
  return narrow;
}

// Which drivers open handles hold, and whether one of them holds its driver alone. A driver is
// held from its open until its handle goes, so two threads racing to open it cannot both win.
class DeviceHolds {
 public:
  bool TryHold(const StreamDriver* driver, DWORD share_mode) {
    const std::lock_guard lock(mutex_);
    Hold& hold = holds_[driver];
    const bool wants_alone = share_mode == 0;
    if (hold.exclusive || (wants_alone && hold.count > 0)) return false;
    hold.exclusive = wants_alone;
    ++hold.count;
    return true;
  }

  void Release(const StreamDriver* driver) {
    const std::lock_guard lock(mutex_);
    const auto found = holds_.find(driver);
    if (--found->second.count == 0) holds_.erase(found);
  }

 private:
  struct Hold {
    int count = 0;
    bool exclusive = false;
  };
  std::mutex mutex_;
  std::map<const StreamDriver*, Hold> holds_;
};

// Shared with every open device, so that a handle still open when the process ends can let go
// of its hold whichever static goes first.
const std::shared_ptr<DeviceHolds>& Holds() {
  static const auto holds = std::make_shared<DeviceHolds>();
  return holds;
}

// What a device handle names: one successful open of a driver, closed when the handle goes
// and no thread is still inside a request on it.
class OpenDevice final : public KernelObject {
 public:
  OpenDevice(std::shared_ptr<StreamDriver> driver, std::shared_ptr<DeviceHolds> holds,
             std::string name)
      : driver_(std::move(driver)), holds_(std::move(holds)), name_(std::move(name)) {}
  ~OpenDevice() override {
    driver_->Close();
    holds_->Release(driver_.get());
  }
  OpenDevice(const OpenDevice&) = delete;
  OpenDevice& operator=(const OpenDevice&) = delete;

  StreamDriver& driver() const { return *driver_; }
  const std::string& name() const { return name_; }

 private:
  std::shared_ptr<StreamDriver> driver_;
  std::shared_ptr<DeviceHolds> holds_;
  const std::string name_;  // "ETC1:"
};

// A request as it returned, for whoever keeps the session's record.
void TellSessionOfRequest(const OpenDevice& device, DWORD code, const void* input, DWORD input_size,
                          const void* output, DWORD output_size, DWORD returned, BOOL succeeded) {
  SessionEvents* const events = CurrentSessionEvents();
  if (events == nullptr) return;
  const auto bytes = [](const void* buffer, DWORD size) {
    return buffer == nullptr ? std::nullopt
                             : std::optional<std::span<const std::byte>>(
                                   {static_cast<const std::byte*>(buffer), size});
  };
  events->DriverRequest({device.name(), code, bytes(input, input_size), input_size, output_size,
                         bytes(output, std::min(returned, output_size)), succeeded != FALSE,
                         succeeded ? 0 : GetLastError()});
}

}  // namespace

void DeviceTable::Add(std::wstring name, std::shared_ptr<StreamDriver> driver) {
  drivers_[DeviceKey(name)] = std::move(driver);
}

std::shared_ptr<StreamDriver> DeviceTable::Find(std::wstring_view name) const {
  const auto found = drivers_.find(DeviceKey(name));
  return found == drivers_.end() ? nullptr : found->second;
}

}  // namespace platform

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share_mode, void* /*security_attributes*/,
                   DWORD /*creation_disposition*/, DWORD /*flags_and_attributes*/,
                   HANDLE /*template_file*/) {
  // Serial port names are the board's ttys, held alone whatever the share mode, as the
  // platform's serial ports always are.
  if (name != nullptr && platform::SerialPortTable::IsPortName(name)) {
    const auto tty = platform::CurrentBoard().serial_ports.Find(name);
    if (!tty) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    return platform::OpenSerialPortHandle(*tty, platform::RecordName(name).substr(0, 4));
  }
  const std::shared_ptr<platform::DeviceHolds>& holds = platform::Holds();
  const auto driver = name == nullptr ? nullptr : platform::CurrentBoard().devices.Find(name);
  if (driver == nullptr) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (!holds->TryHold(driver.get(), share_mode)) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  if (const DWORD refusal = driver->Open(access, share_mode); refusal != ERROR_SUCCESS) {
    holds->Release(driver.get());
    SetLastError(refusal);
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_SUCCESS);
  return platform::InsertHandle(
      std::make_shared<platform::OpenDevice>(driver, holds, platform::RecordName(name)));
}

BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID input, DWORD input_size, LPVOID output,
                     DWORD output_size, DWORD* bytes_returned, void* /*overlapped*/) {
  // Held for the whole request, so a CloseHandle from another thread closes the driver only
  // after the request has returned.
  const auto open_device = platform::LookUpHandleAs<platform::OpenDevice>(device);
  if (open_device == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD ignored_count = 0;
  DWORD* const count = bytes_returned != nullptr ? bytes_returned : &ignored_count;
  *count = 0;
  const BOOL succeeded =
      open_device->driver().IoControl(code, input, input_size, output, output_size, count);
  platform::TellSessionOfRequest(*open_device, code, input, input_size, output, output_size, *count,
                                 succeeded);
  return succeeded;
}
