// Opening a channel: a TCP connection made without blocking and waited for, a serial line set
// raw at 8N1, a USBTMC device with the driver's timeout set to the instrument's.
#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "instrument/channel.h"
#include "platform/linux/retried.h"
#include "platform/linux/tty_speed.h"

namespace instrument {

namespace posix = platform::posix;

namespace {

// Connects to one of the host's addresses before `deadline`.
posix::UniqueFd ConnectTcp(const Address& address, SteadyTime deadline, int wake,
                           std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(address.port);
  if (const int failed = ::getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found)) {
    error = "the host cannot be found: " + std::string(::gai_strerror(failed));
    return {};
  }
  const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> held(found, &::freeaddrinfo);
  for (const addrinfo* each = found; each != nullptr; each = each->ai_next) {
    const posix::CallResult made_socket = posix::Retried("socket", [&] {
      return ::socket(each->ai_family, each->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                      each->ai_protocol);
    });
    if (!made_socket.ok()) {
      error = made_socket.Describe();
      continue;
    }
    posix::UniqueFd fd(static_cast<int>(made_socket.value));
    const posix::CallResult made = posix::Retried(
        "connect", [&] { return ::connect(fd.get(), each->ai_addr, each->ai_addrlen); });
    int failure = made.error;
    if (failure == EINPROGRESS) {
      posix::DescriptorWait wait(wake);
      wait.Watch(fd.get(), POLLOUT);
      const auto outcome = wait.Until(deadline);
      if (outcome == posix::DescriptorWait::Outcome::kWoken) {
        error = "stopped while connecting";
        return {};
      }
      if (outcome == posix::DescriptorWait::Outcome::kTimedOut) {
        error = "no connection within the instrument's timeout";
        return {};
      }
      socklen_t size = sizeof failure;
      ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &failure, &size);
    }
    if (failure == 0) {
      const int on = 1;  // each command goes out at once, not held back to fill a segment
      ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      return fd;
    }
    error = std::string("connect: ") + std::strerror(failure);
  }
  return {};
}

posix::UniqueFd OpenSerial(const Address& address, std::string& error) {
  const std::optional<speed_t> speed = platform::SpeedCode(address.baud);
  if (!speed) {
    error = std::to_string(address.baud) + " baud is no speed the line offers";
    return {};
  }
  const posix::CallResult opened =
      posix::Open(address.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (!opened.ok()) {
    error = opened.Describe();
    return {};
  }
  posix::UniqueFd fd(static_cast<int>(opened.value));
  termios settings{};
  posix::CallResult call = posix::GetAttributes(fd.get(), &settings);
  if (call.ok()) {
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    ::cfsetispeed(&settings, *speed);
    ::cfsetospeed(&settings, *speed);
    call = posix::SetAttributes(fd.get(), settings);
  }
  if (call.ok()) call = posix::Flush(fd.get(), TCIOFLUSH);  // what the line held before us
  if (!call.ok()) {
    error = call.Describe();
    return {};
  }
  return fd;
}

posix::UniqueFd OpenUsbtmc(const Address& address, std::chrono::milliseconds timeout,
                           std::string& error) {
  const posix::CallResult opened = posix::Open(address.path.c_str(), O_RDWR | O_CLOEXEC);
  if (!opened.ok()) {
    error = opened.Describe();
    return {};
  }
  posix::UniqueFd fd(static_cast<int>(opened.value));
  __u32 milliseconds = static_cast<__u32>(timeout.count());
  const posix::CallResult set = posix::Retried(
      "ioctl", [&] { return ::ioctl(fd.get(), USBTMC_IOCTL_SET_TIMEOUT, &milliseconds); });
  if (!set.ok()) {
    error = "no USBTMC device: " + set.Describe();
    return {};
  }
  return fd;
}

}  // namespace

std::optional<Channel> Channel::Open(const Address& address, std::chrono::milliseconds timeout,
                                     int wake, std::string& error) {
  posix::UniqueFd fd;
  switch (address.transport) {
    case Transport::kTcp:
      fd = ConnectTcp(address, std::chrono::steady_clock::now() + timeout, wake, error);
      break;
    case Transport::kSerial:
      fd = OpenSerial(address, error);
      break;
    case Transport::kUsbtmc:
      fd = OpenUsbtmc(address, timeout, error);
      break;
  }
  if (!fd) return std::nullopt;
  return Channel(std::move(fd), address.transport);
}

}  // namespace instrument
