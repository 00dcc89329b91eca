// Reading a small text file whole, such as a settings file or a plan, that a person names or puts
// in place. A name may hold a FIFO, a device or something huge: opening never waits for a far end,
// only a regular file is read, and never more than the caller's limit, even of a file that grows
// while it is read. What went wrong comes back as a fault, for each caller to word its refusal.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

#include "platform/linux/posix_calls.h"

namespace platform::posix {

enum class SmallFileFault {
  kNone,
  kCannotOpen,      // `call` says why
  kNotRegularFile,  // `status` says what it is instead, when it was opened to find out
  kCannotExamine,   // `call` says why
  kTooLarge,
  kCannotRead,  // `call` says why
};

struct SmallFile {
  SmallFileFault fault = SmallFileFault::kNone;
  CallResult call;
  struct stat status {};  // the opened file's, from kNotRegularFile on
  std::string text;       // the whole file, without a fault
};

// The file at `path`, following links; a name that is not a regular file is opened (without
// waiting) to find out what it is.
SmallFile ReadSmallFile(const char* path, std::size_t max_bytes);

// The file `name` in `folder` as OpenRegularFileAt opens it: a link or anything but a regular file
// fails the open, and kNotRegularFile comes with the failed call rather than a status.
SmallFile ReadSmallFileAt(int folder, const char* name, std::size_t max_bytes);

}  // namespace platform::posix
