#include "platform/terminal/debug_port.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/linux/file_calls.h"
#include "platform/linux/regular_file.h"
#include "platform/ports/board.h"
#include "platform/terminal/code_page.h"
#include "platform/terminal/wide_format.h"

namespace platform {

namespace {

enum class Ownership { kOwned, kBorrowed };

// Writes straight to a file descriptor, no buffer in between: a line is on its way when Write
// returns. The lock keeps one caller's text whole when the system takes it in several pieces.
// A file that stops taking lines (a full disk) is told once on standard error; lines to
// standard error itself have nowhere else to go.
class DescriptorSink final : public DebugSink {
 public:
  DescriptorSink(int descriptor, Ownership ownership)
      : descriptor_(descriptor), ownership_(ownership) {}
  ~DescriptorSink() override {
    if (ownership_ == Ownership::kOwned) ::close(descriptor_);
  }
  DescriptorSink(const DescriptorSink&) = delete;
  DescriptorSink& operator=(const DescriptorSink&) = delete;

  void Write(std::string_view utf8) override {
    const std::lock_guard lock(mutex_);
    const bool written = posix::WriteAll(descriptor_, utf8.data(), utf8.size()).ok();
    if (!written && !write_failed_ && ownership_ == Ownership::kOwned) {
      write_failed_ = true;
      std::fputs("quorvane: the debug port could not be written; later lines are missing\n",
                 stderr);
    }
  }

 private:
  const int descriptor_;
  const Ownership ownership_;
  std::mutex mutex_;
  bool write_failed_ = false;
};

// " (a socket)", " (a FIFO that nobody reads)": what stood there instead of a file.
std::string WhatStandsThere(const std::filesystem::path& file, const posix::CallResult& open) {
  struct stat status {};
  if (!posix::FoundNoRegularFile(open) ||
      !posix::LinkStatusAt(AT_FDCWD, file.c_str(), &status).ok()) {
    return {};
  }
  return " (" + posix::KindOfFile(status.st_mode) +
         (S_ISFIFO(status.st_mode) ? " that nobody reads" : "") + ")";
}

}  // namespace

std::shared_ptr<DebugSink> OpenDebugPortFile(const std::filesystem::path& file) {
  const posix::CallResult opened =
      posix::OpenRegularFileAt(AT_FDCWD, file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC,
                               0600, posix::AlsoTaken::kFifoWithReader);
  if (!opened.ok()) {
    throw std::system_error(
        opened.error, std::generic_category(),
        "cannot open the debug port file " + file.string() + WhatStandsThere(file, opened));
  }
  return DebugPortOnFile(static_cast<int>(opened.value));
}

std::shared_ptr<DebugSink> DebugPortOnFile(int descriptor) {
  return std::make_shared<DescriptorSink>(descriptor, Ownership::kOwned);
}

std::shared_ptr<DebugSink> DebugPortToStandardError() {
  return std::make_shared<DescriptorSink>(STDERR_FILENO, Ownership::kBorrowed);
}

}  // namespace platform

void NKDbgPrintfW(LPCWSTR format, ...) {
  const auto& port = platform::CurrentBoard().debug_port;
  if (port == nullptr) return;
  va_list args;
  va_start(args, format);
  const std::wstring text = platform::FormatWideV(format, args);
  va_end(args);
  port->Write(platform::ToUtf8(text));
}
