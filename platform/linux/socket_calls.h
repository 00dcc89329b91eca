// The socket calls of this machine's side of the platform, wrapped as posix_calls.h wraps the
// others: a call that fails hands back its name and its errno, and a call interrupted by a signal
// is made again. Only local (AF_UNIX) stream sockets are used here.
#pragma once

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>

#include <cstddef>
#include <optional>
#include <string>

#include "platform/linux/posix_calls.h"

namespace platform::posix {

// The address of the socket file at `path`; nothing when the path is empty or too long.
std::optional<sockaddr_un> LocalAddress(const std::string& path);

// A local stream socket that is not inherited by programs started later; `flags` may add
// SOCK_NONBLOCK.
CallResult LocalSocket(int flags = 0);
CallResult Bind(int fd, const sockaddr_un& address);
CallResult Listen(int fd, int backlog);
// A connection waiting on listener `fd` (accept4), not inherited by programs started later.
CallResult Accept(int fd, int flags = 0);
CallResult Connect(int fd, const sockaddr_un& address);
// Bounds how long a blocking send, and a connect to a full backlog, may wait.
CallResult SetSendTimeout(int fd, timeval limit);
// Who opened the other end (SO_PEERCRED): its process, user and group at connect time.
CallResult PeerCredentials(int fd, ucred* credentials);
// A peer that has gone reports EPIPE instead of raising SIGPIPE (MSG_NOSIGNAL is always added).
CallResult Send(int fd, const void* data, std::size_t size, int flags = 0);
CallResult Receive(int fd, void* buffer, std::size_t size, int flags = 0);

}  // namespace platform::posix
