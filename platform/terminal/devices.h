// Devices by name: CreateFileW on "ETC1:" opens the stream driver the board put behind that
// name, DeviceIoControl asks it, CloseHandle closes it. Names compare without regard to case.
// An open with share mode 0 is exclusive: a second open of the same device fails with
// ERROR_SHARING_VIOLATION until the first handle is closed. Files are not opened here; they go
// through volumes.h.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ports/stream_driver.h"
#include "platform/terminal/win_types.h"

namespace platform {

class DeviceTable {
 public:
  void Add(std::wstring name, std::shared_ptr<StreamDriver> driver);
  std::shared_ptr<StreamDriver> Find(std::wstring_view name) const;

 private:
  std::map<std::wstring, std::shared_ptr<StreamDriver>> drivers_;  // keyed by upper-case name
};

}  // namespace platform

// Opens a device by name: a stream driver, or "COMn:", the tty the board puts behind that serial
// port. INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND for a name no device carries,
// ERROR_SHARING_VIOLATION for a device already held, or the driver's own refusal.
HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share_mode, void* security_attributes,
                   DWORD creation_disposition, DWORD flags_and_attributes, HANDLE template_file);
BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID input, DWORD input_size, LPVOID output,
                     DWORD output_size, DWORD* bytes_returned, void* overlapped);
