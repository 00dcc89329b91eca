#include "sim/tty_device.h"

#include <fcntl.h>

#include <array>
#include <cerrno>
#include <optional>
#include <system_error>
#include <utility>

#include "platform/linux/descriptor_wait.h"

namespace sim {

namespace {

namespace posix = platform::posix;

posix::UniqueFd OpenTty(const std::filesystem::path& tty) {
  const posix::CallResult opened =
      posix::Open(tty.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (!opened.ok()) {
    throw std::system_error(opened.error, std::generic_category(), "open " + tty.string());
  }
  return posix::UniqueFd(static_cast<int>(opened.value));
}

}  // namespace

TtyDevice::TtyDevice(const std::filesystem::path& tty, Responder responder)
    : tty_(OpenTty(tty)), responder_(std::move(responder)) {
  if (stop_.fd() < 0) throw std::system_error(stop_.error(), std::generic_category(), "eventfd");
  thread_ = std::thread([this] { Serve(); });
}

TtyDevice::~TtyDevice() {
  stop_.Raise();
  thread_.join();
}

void TtyDevice::Serve() {
  std::array<char, 4096> received{};
  posix::DescriptorWait wait(stop_.fd());
  wait.Watch(tty_.get(), POLLIN);
  for (;;) {
    if (wait.Until(std::nullopt) != posix::DescriptorWait::Outcome::kReady) return;
    const posix::CallResult read = posix::Read(tty_.get(), received.data(), received.size());
    if (!read.ok() && read.error == EAGAIN) continue;
    // Only the line itself going away ends the reads: the device has nobody left to talk to.
    if (!read.ok() || read.value == 0) return;
    const std::string answer =
        responder_(std::string_view(received.data(), static_cast<std::size_t>(read.value)));
    if (!WriteAll(answer)) return;
  }
}

// Waits for room as long as the line is slow, but never past a stop.
bool TtyDevice::WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const posix::CallResult written = posix::Write(tty_.get(), bytes.data(), bytes.size());
    if (written.ok()) {
      bytes.remove_prefix(static_cast<std::size_t>(written.value));
      continue;
    }
    if (written.error != EAGAIN) return false;
    posix::DescriptorWait room(stop_.fd());
    room.Watch(tty_.get(), POLLOUT);
    if (room.Until(std::nullopt) != posix::DescriptorWait::Outcome::kReady) return false;
  }
  return true;
}

}  // namespace sim
