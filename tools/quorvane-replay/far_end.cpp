#include "tools/quorvane-replay/far_end.h"

#include "platform/linux/serial_port_posix.h"
#include "platform/ports/sandbox_location.h"

namespace quorvane_replay {

namespace {

std::string WhyNot(DWORD error, const std::string& port) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return "there is no such far end: no console runs on this sandbox, or its " + port +
             " is not a simulated line";
    case ERROR_SHARING_VIOLATION:
      return "another program holds it";
    case ERROR_ACCESS_DENIED:
      return "this user may not open it";
    default:
      return "it cannot be opened (error " + std::to_string(error) + ")";
  }
}

}  // namespace

FarEnd::FarEnd(const std::filesystem::path& sandbox, const std::string& port,
               std::chrono::milliseconds write_timeout)
    : port_(port), write_timeout_(write_timeout) {
  const std::filesystem::path path = platform::SerialFarEndIn(sandbox, port);
  platform::SerialPort::Opening opening = platform::SerialPort::Open(path);
  if (!opening.port) {
    throw ReplayError(port + "'s far end " + path.string() + ": " + WhyNot(opening.error, port));
  }
  tty_ = std::move(opening.port);
  COMMTIMEOUTS timeouts{};
  timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(write_timeout.count());
  tty_->SetTimeouts(timeouts);
}

FarEnd::~FarEnd() = default;
FarEnd::FarEnd(FarEnd&&) noexcept = default;

void FarEnd::Write(std::string_view bytes) {
  DWORD written = 0;
  const DWORD error = tty_->Write(bytes.data(), static_cast<DWORD>(bytes.size()), &written);
  if (error != ERROR_SUCCESS) {
    throw ReplayError(port_ + ": the write failed (error " + std::to_string(error) + ")");
  }
  if (written < bytes.size()) {
    throw ReplayError(port_ + " took " + std::to_string(written) + " of the block's " +
                      std::to_string(bytes.size()) + " bytes within " +
                      std::to_string(write_timeout_.count()) +
                      " ms: is the console reading the port?");
  }
}

}  // namespace quorvane_replay
