// Opening a file that has to be a regular one, without ever waiting for it. A plain open of a
// FIFO waits for its far end for as long as nobody comes, and opening a device or a socket can do
// things of its own; a name on a volume or in the sandbox may be either, put there by a card, a
// script or another program. Every open of such a file goes through here: what the name holds is
// looked at before it is opened, the open itself never waits and never follows a link in the last
// component, and what was opened is looked at again, for a name that changed in between.
#pragma once

#include <sys/types.h>

#include <string>

#include "platform/linux/posix_calls.h"

namespace platform::posix {

// What besides a regular file an open takes.
enum class AlsoTaken {
  kNothing,
  // A FIFO opened for writing that someone reads already. Its descriptor stays non-blocking, so
  // that a reader who stops reading costs lines rather than holding the writer.
  kFifoWithReader,
};

// openat(folder, name, flags | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, mode) for a regular file; the
// descriptor is blocking again afterwards unless `flags` hold O_NONBLOCK. A name that is not a
// regular file is never opened as what it is, and fails: a link with ELOOP, a folder with EISDIR,
// anything else (a FIFO, a socket, a device) with ENXIO, as a FIFO that nobody reads fails.
CallResult OpenRegularFileAt(int folder, const char* name, int flags, mode_t mode = 0,
                             AlsoTaken also = AlsoTaken::kNothing);

// Whether a failed OpenRegularFileAt found something other than a regular file at the name.
bool FoundNoRegularFile(const CallResult& open);

// What a file's type is, for messages: "a FIFO", "a folder", "a link", ...
std::string KindOfFile(mode_t mode);

}  // namespace platform::posix
