// For tests: one end of a serial line as an outside program holds it, opened with a plain open()
// and used with plain read() and write(). Reads and writes give up once the line has not moved
// for kGiveUp, so that a line that stays silent or stuck fails its test instead of stalling the
// suite.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/linux/posix_calls.h"

namespace testing_support {

class TtyEnd {
 public:
  static constexpr std::chrono::milliseconds kGiveUp{10000};

  explicit TtyEnd(const std::filesystem::path& tty)
      : fd_(::open(tty.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}

  bool is_open() const { return static_cast<bool>(fd_); }
  int fd() const { return fd_.get(); }

  // Waits while the line holds back; false if it refuses or stays stuck.
  bool Write(std::string_view bytes) const {
    while (!bytes.empty()) {
      const ssize_t written = ::write(fd_.get(), bytes.data(), bytes.size());
      if (written > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(written));
      } else if (written == 0 || errno != EAGAIN || !WaitFor(POLLOUT)) {
        return false;
      }
    }
    return true;
  }

  // Exactly `count` bytes, or fewer if the line falls silent for kGiveUp.
  std::string Read(std::size_t count) const {
    std::string received;
    while (received.size() < count && WaitFor(POLLIN)) {
      char chunk[4096];
      const ssize_t read =
          ::read(fd_.get(), chunk, std::min(sizeof chunk, count - received.size()));
      if (read == 0 || (read < 0 && errno != EAGAIN)) break;
      if (read < 0) continue;
      received.append(chunk, static_cast<std::size_t>(read));
    }
    return received;
  }

  // Everything up to and including the first `end`, or what came before the line fell silent.
  std::string ReadThrough(std::string_view end) const {
    std::string received;
    while (!received.ends_with(end)) {
      const std::string next = Read(1);
      if (next.empty()) break;
      received += next;
    }
    return received;
  }

 private:
  bool WaitFor(short event) const {
    pollfd ready{fd_.get(), event, 0};
    return ::poll(&ready, 1, static_cast<int>(kGiveUp.count())) == 1 && (ready.revents & event);
  }

  platform::posix::UniqueFd fd_;
};

}  // namespace testing_support
