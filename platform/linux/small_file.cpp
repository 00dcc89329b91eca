#include "platform/linux/small_file.h"

#include <fcntl.h>

#include <cstdint>

#include "platform/linux/file_calls.h"
#include "platform/linux/regular_file.h"

namespace platform::posix {

namespace {

SmallFile Failed(SmallFileFault fault, const CallResult& call) {
  SmallFile file;
  file.fault = fault;
  file.call = call;
  return file;
}

SmallFile ReadOpened(const CallResult& opened, std::size_t max_bytes) {
  if (!opened.ok()) return Failed(SmallFileFault::kCannotOpen, opened);
  const UniqueFd fd(static_cast<int>(opened.value));
  SmallFile file;
  file.call = Status(fd.get(), &file.status);
  if (!file.call.ok()) return Failed(SmallFileFault::kCannotExamine, file.call);
  if (!S_ISREG(file.status.st_mode)) {
    file.fault = SmallFileFault::kNotRegularFile;
  } else if (static_cast<std::uintmax_t>(file.status.st_size) > max_bytes) {
    file.fault = SmallFileFault::kTooLarge;
  } else {
    // The file may grow while it is read: one byte beyond the limit is enough to tell.
    file.call = ReadUpTo(fd.get(), max_bytes + 1, &file.text);
    if (!file.call.ok()) {
      file.fault = SmallFileFault::kCannotRead;
    } else if (file.text.size() > max_bytes) {
      file.fault = SmallFileFault::kTooLarge;
    }
  }
  if (file.fault != SmallFileFault::kNone) file.text.clear();
  return file;
}

}  // namespace

SmallFile ReadSmallFile(const char* path, std::size_t max_bytes) {
  // Without O_NONBLOCK a FIFO with no writer would hold the open until one came.
  return ReadOpened(Open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC), max_bytes);
}

SmallFile ReadSmallFileAt(int folder, const char* name, std::size_t max_bytes) {
  const CallResult opened = OpenRegularFileAt(folder, name, O_RDONLY | O_CLOEXEC);
  if (FoundNoRegularFile(opened)) return Failed(SmallFileFault::kNotRegularFile, opened);
  return ReadOpened(opened, max_bytes);
}

}  // namespace platform::posix
