#include "sender/socket_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/linux/socket_calls.h"

namespace sender {

namespace {

namespace posix = platform::posix;

std::string Failure(const std::string& what, int error) {
  return what + ": " + std::strerror(error);
}

std::string ModeText(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

std::optional<std::string> CheckFolder(const std::filesystem::path& folder) {
  struct stat state {};
  if (::stat(folder.c_str(), &state) != 0) {
    return Failure("cannot use the socket's folder " + folder.string(), errno);
  }
  if (!S_ISDIR(state.st_mode)) return "the socket's folder " + folder.string() + " is not a folder";
  if (state.st_uid != ::geteuid()) {
    return "the socket's folder " + folder.string() + " belongs to another user";
  }
  if ((state.st_mode & 07777) != 0700) {
    return "the socket's folder " + folder.string() + " has mode " + ModeText(state.st_mode) +
           "; it must be 0700 so that only its owner can reach the socket";
  }
  return std::nullopt;
}

std::optional<std::string> ClearLeftover(const sockaddr_un& address) {
  const char* path = address.sun_path;
  struct stat state {};
  if (::lstat(path, &state) != 0) {
    return errno == ENOENT ? std::nullopt
                           : std::optional(Failure(std::string("cannot use ") + path, errno));
  }
  if (!S_ISSOCK(state.st_mode)) return std::string(path) + " exists and is not a socket";
  const auto opened = posix::LocalSocket(SOCK_NONBLOCK);
  if (!opened.ok()) return opened.Describe();
  const posix::UniqueFd probe(static_cast<int>(opened.value));
  // A full backlog (EAGAIN) also means that somebody listens.
  const auto connected = posix::Connect(probe.get(), address);
  if (connected.ok() || connected.error == EAGAIN) {
    return std::string("a console already listens on ") + path;
  }
  if (connected.error != ECONNREFUSED) {
    return Failure(std::string("cannot tell whether a console listens on ") + path,
                   connected.error);
  }
  if (::unlink(path) != 0 && errno != ENOENT) {
    return Failure(std::string("cannot remove the leftover socket ") + path, errno);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> SocketFile::Open(const std::filesystem::path& path) {
  const std::string text = path.string();
  const auto address = posix::LocalAddress(text);
  if (!address) return "the socket path \"" + text + "\" is empty or too long";
  const std::filesystem::path folder = path.parent_path();
  if (auto error = CheckFolder(folder.empty() ? "." : folder)) return error;
  if (auto error = ClearLeftover(*address)) return error;

  const auto opened = posix::LocalSocket(SOCK_NONBLOCK);
  if (!opened.ok()) return opened.Describe();
  posix::UniqueFd listener(static_cast<int>(opened.value));
  if (const auto bound = posix::Bind(listener.get(), *address); !bound.ok()) {
    return Failure("cannot bind " + text, bound.error);
  }
  struct stat bound {};
  int error = 0;
  if (::chmod(text.c_str(), 0600) != 0 || ::stat(text.c_str(), &bound) != 0) error = errno;
  if (error == 0) error = posix::Listen(listener.get(), SOMAXCONN).error;
  if (error != 0) {
    ::unlink(text.c_str());
    return Failure("cannot listen on " + text, error);
  }
  path_ = path;
  device_ = bound.st_dev;
  inode_ = bound.st_ino;
  listener_ = std::move(listener);
  return std::nullopt;
}

void SocketFile::Close() {
  if (!listener_) return;
  listener_.reset();
  struct stat state {};
  if (::lstat(path_.c_str(), &state) == 0 && state.st_dev == device_ && state.st_ino == inode_) {
    ::unlink(path_.c_str());
  }
}

}  // namespace sender
