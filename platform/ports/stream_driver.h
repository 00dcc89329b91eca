// A stream driver as the terminal's device manager offers it: opened by name ("ETC1:"), asked
// with I/O control requests, closed. The simulated terminal provides its own; a real board would
// put a driver of its own behind the same interface.
#pragma once

#include "platform/terminal/win_types.h"

namespace platform {

class StreamDriver {
 public:
  virtual ~StreamDriver() = default;
  // One open by name; ERROR_SUCCESS, or the error that refuses it.
  virtual DWORD Open(DWORD access, DWORD share_mode) = 0;
  virtual BOOL IoControl(DWORD code, const void* input, DWORD input_size, void* output,
                         DWORD output_size, DWORD* bytes_returned) = 0;
  virtual void Close() = 0;
};

}  // namespace platform
