// How every wrapped system call is made: again while a signal interrupts it, and its errno
// captured with its name the moment it fails, before another call can overwrite it.
#pragma once

#include <cerrno>

#include "platform/linux/posix_calls.h"

namespace platform::posix {

template <class Call>
CallResult Retried(const char* name, Call call) {
  for (;;) {
    const long value = call();
    if (value != -1) return {value, 0, name};
    if (errno != EINTR) return {0, errno, name};
  }
}

}  // namespace platform::posix
