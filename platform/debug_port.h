// The debug port: lines for the developer, separate from the log pane. The board chooses where
// they go (the simulated terminal writes them to a file in its sandbox). Safe from any thread.
#pragma once

#include <memory>
#include <string_view>

#include "platform/win_types.h"

namespace platform {

class DebugSink {
 public:
  virtual ~DebugSink() = default;
  virtual void Write(std::string_view utf8) = 0;
};

}  // namespace platform

// Formats as wsprintfW does (%s takes a wide string) and writes the text, as UTF-8, to the port.
void NKDbgPrintfW(LPCWSTR format, ...);
