#include "platform/linux/descriptor_pause.h"

#include <cerrno>

#include "platform/linux/socket_calls.h"

namespace platform::posix {

UniqueFd AcceptOrPause(int listener, DescriptorPause& accepting) {
  for (;;) {
    const CallResult accepted = Accept(listener, SOCK_NONBLOCK);
    if (accepted.ok()) return UniqueFd(static_cast<int>(accepted.value));
    // A client that gave up while it waited: the next one may be there.
    if (accepted.error == ECONNABORTED) continue;
    if (accepted.error != EAGAIN) accepting.For(kAcceptPause);
    return UniqueFd();
  }
}

}  // namespace platform::posix
