#include "board_io/value_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include "board_io/value_text.h"
#include "platform/linux/file_calls.h"
#include "platform/linux/regular_file.h"
#include "platform/linux/small_file.h"

namespace board_io {

namespace {

using platform::posix::CallResult;

// A sysfs attribute claims a page whatever it holds; pages reach 64 KiB on some boards.
constexpr std::size_t kMostValueBytes = 64 * 1024;

FileFault Fault(const std::filesystem::path& file, FaultKind kind, const std::string& what) {
  return {file, kind, file.string() + ": " + what};
}

FileFault OpenFault(const std::filesystem::path& file, const CallResult& open, const char* how) {
  if (open.error == ENOENT || open.error == ENOTDIR) {
    return Fault(file, FaultKind::kMissing, "does not exist");
  }
  return Fault(file, FaultKind::kCannotOpen,
               std::string("cannot be opened ") + how + ": " + std::strerror(open.error));
}

FileFault NotAFile(const std::filesystem::path& file, mode_t mode) {
  return Fault(file, FaultKind::kNotAFile,
               "is " + platform::posix::KindOfFile(mode) + ", not a value file");
}

// The file's whole text, or what stopped it being read.
std::variant<std::string, FileFault> ReadText(const std::filesystem::path& file) {
  using platform::posix::SmallFileFault;
  platform::posix::SmallFile read = platform::posix::ReadSmallFile(file.c_str(), kMostValueBytes);
  switch (read.fault) {
    case SmallFileFault::kNone:
      return std::move(read.text);
    case SmallFileFault::kCannotOpen:
      return OpenFault(file, read.call, "for reading");
    case SmallFileFault::kNotRegularFile:
      return NotAFile(file, read.status.st_mode);
    case SmallFileFault::kTooLarge:
      return Fault(file, FaultKind::kGarbage, "holds more than a value");
    case SmallFileFault::kCannotExamine:
    case SmallFileFault::kCannotRead:
      break;
  }
  return Fault(file, FaultKind::kCannotRead, "cannot be read: " + read.call.Describe());
}

}  // namespace

std::optional<FileFault> WriteLevel(const ValueFile& file, bool on) {
  // Looked at first, so that a device is never opened; the open itself never waits for a FIFO's
  // reader, and what it opened is looked at again.
  std::error_code error;
  const auto status = std::filesystem::status(file.file, error);
  if (!error && !std::filesystem::is_regular_file(status)) {
    struct stat found {};
    ::stat(file.file.c_str(), &found);
    return NotAFile(file.file, found.st_mode);
  }
  const CallResult opened = platform::posix::Open(
      file.file.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (!opened.ok()) return OpenFault(file.file, opened, "for writing");
  const platform::posix::UniqueFd fd(static_cast<int>(opened.value));
  struct stat opened_status {};
  if (platform::posix::FileStatus(fd.get(), &opened_status).ok() &&
      !S_ISREG(opened_status.st_mode)) {
    return NotAFile(file.file, opened_status.st_mode);
  }
  const std::string& text = on != file.active_low ? file.on_text : file.off_text;
  if (const CallResult written = platform::posix::WriteAll(fd.get(), text.data(), text.size());
      !written.ok()) {
    return Fault(file.file, FaultKind::kCannotWrite, "cannot be written: " + written.Describe());
  }
  return std::nullopt;
}

std::variant<bool, FileFault> ReadLevel(const ValueFile& file) {
  auto text = ReadText(file.file);
  if (auto* fault = std::get_if<FileFault>(&text)) return std::move(*fault);
  const auto level = ParseLevel(std::get<std::string>(text), file.on_text, file.off_text);
  if (!level) {
    return Fault(file.file, FaultKind::kGarbage,
                 "holds neither \"" + file.on_text + "\" nor \"" + file.off_text + "\"");
  }
  return *level != file.active_low;
}

std::variant<std::uint32_t, FileFault> ReadChannel(const std::filesystem::path& file) {
  auto text = ReadText(file);
  if (auto* fault = std::get_if<FileFault>(&text)) return std::move(*fault);
  const auto value = ParseChannel(std::get<std::string>(text));
  if (!value) {
    return Fault(file, FaultKind::kGarbage, "holds no whole number from 0 to 4294967295");
  }
  return *value;
}

}  // namespace board_io
