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

// Appends to a file, created private to its user (0600) when missing, each write flushed at once
// so that a person following the file sees every line as it is printed. A FIFO that someone reads
// already will do as well; its writes never wait, so a reader who falls behind loses lines rather
// than holding the console. Throws std::system_error naming the file when it cannot be opened:
// with ENXIO when it is a FIFO that nobody reads, a device or a socket, and ELOOP for a link;
// none of them is waited for.
std::shared_ptr<DebugSink> OpenDebugPortFile(const std::filesystem::path& file);
// The same on a file its caller has opened for appending and hands over; closed with the port.
std::shared_ptr<DebugSink> DebugPortOnFile(int descriptor);
std::shared_ptr<DebugSink> DebugPortToStandardError();

}  // namespace platform

// Formats as wsprintfW does (%s takes a wide string) and writes the text, as UTF-8, to the port.
void NKDbgPrintfW(LPCWSTR format, ...);
