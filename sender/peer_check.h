// Who may be on the other end of the console's socket: the console's own user or root. Both ends
// ask the kernel (SO_PEERCRED), so that neither hands a request or a reply to another user's
// process, whether its socket was opened to others by mistake or planted where the console's
// is expected.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace sender {

inline constexpr char kPermissionDenied[] = "permission denied";

// Nothing when the process on the other end of `connection` runs as `own_uid` or as root;
// otherwise why not, beginning with kPermissionDenied.
std::optional<std::string> UntrustedPeer(int connection, uid_t own_uid);

}  // namespace sender
