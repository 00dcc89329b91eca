#include "platform/linux/socket_calls.h"

#include <cstring>

#include "platform/linux/retried.h"

namespace platform::posix {

namespace {

const sockaddr* Generic(const sockaddr_un& address) {
  return reinterpret_cast<const sockaddr*>(&address);
}

}  // namespace

std::optional<sockaddr_un> LocalAddress(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return std::nullopt;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return address;
}

CallResult LocalSocket(int flags) {
  return Retried("socket",
                 [&] { return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | flags, 0); });
}

CallResult Bind(int fd, const sockaddr_un& address) {
  return Retried("bind", [&] { return ::bind(fd, Generic(address), sizeof address); });
}

CallResult Listen(int fd, int backlog) {
  return Retried("listen", [&] { return ::listen(fd, backlog); });
}

CallResult Accept(int fd, int flags) {
  return Retried("accept4", [&] { return ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | flags); });
}

CallResult Connect(int fd, const sockaddr_un& address) {
  return Retried("connect", [&] { return ::connect(fd, Generic(address), sizeof address); });
}

CallResult SetSendTimeout(int fd, timeval limit) {
  return Retried("setsockopt",
                 [&] { return ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit); });
}

CallResult PeerCredentials(int fd, ucred* credentials) {
  socklen_t size = sizeof *credentials;
  return Retried("getsockopt",
                 [&] { return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, credentials, &size); });
}

CallResult Send(int fd, const void* data, std::size_t size, int flags) {
  return Retried("send", [&] { return ::send(fd, data, size, flags | MSG_NOSIGNAL); });
}

CallResult Receive(int fd, void* buffer, std::size_t size, int flags) {
  return Retried("recv", [&] { return ::recv(fd, buffer, size, flags); });
}

}  // namespace platform::posix
