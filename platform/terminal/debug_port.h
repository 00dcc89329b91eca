// The debug port: lines for the developer, separate from the log pane. The board chooses where
// they go (the simulated terminal writes them to a file in its sandbox). Safe from any thread.
#pragma once

#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/terminal/win_types.h"

namespace platform {

class DebugSink {
 public:
  virtual ~DebugSink() = default;
  virtual void Write(std::string_view utf8) = 0;
};

// Appends to a file, each write flushed at once so that a person following the file sees every
// line as it is printed. Null, with errno set, when the file cannot be opened.
std::shared_ptr<DebugSink> OpenDebugPortFile(const std::filesystem::path& file);
std::shared_ptr<DebugSink> DebugPortToStandardError();

}  // namespace platform

// Formats as wsprintfW does (%s takes a wide string) and writes the text, as UTF-8, to the port.
void NKDbgPrintfW(LPCWSTR format, ...);
