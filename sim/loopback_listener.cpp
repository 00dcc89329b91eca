#include "sim/loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <system_error>

namespace sim {

namespace {

constexpr int kBacklog = 8;

[[noreturn]] void Fail(const char* call) {
  throw std::system_error(errno, std::generic_category(), call);
}

}  // namespace

LoopbackListener::LoopbackListener()
    : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
  if (!socket_) Fail("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (::bind(socket_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    Fail("bind");
  }
  if (::listen(socket_.get(), kBacklog) != 0) Fail("listen");
  socklen_t size = sizeof address;
  if (::getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    Fail("getsockname");
  }
  port_ = ntohs(address.sin_port);
}

}  // namespace sim
