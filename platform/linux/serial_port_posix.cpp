#include "platform/linux/serial_port_posix.h"

#include <fcntl.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "platform/linux/dcb_termios.h"
#include "platform/linux/descriptor_wait.h"
#include "platform/terminal/comm_timeouts.h"

namespace platform {

namespace {

constexpr short kLineGone = POLLERR | POLLHUP | POLLNVAL;

DWORD OpenError(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO:
    case ENODEV:
    case EIO:     // a serial driver's node without a device behind it
    case ENOTTY:  // a file that is no tty
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case EBUSY:        // another opener set TIOCEXCL
    case EWOULDBLOCK:  // another holder has the lock
      return ERROR_SHARING_VIOLATION;
    default:
      return ERROR_GEN_FAILURE;
  }
}

DWORD LineError(int error) { return error == EINVAL ? ERROR_INVALID_PARAMETER : ERROR_GEN_FAILURE; }

// Raw bytes both ways, the receiver on, modem status lines not waited for, no software flow
// control of the tty's own; speed and framing stay as the tty had them until SetCommState.
termios RawSettings(const termios& settings) {
  termios raw = settings;
  cfmakeraw(&raw);
  raw.c_cflag |= CLOCAL | CREAD;
  raw.c_iflag &= ~(IXON | IXOFF | IXANY);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  return raw;
}

// Whether the time to give up has come; never for a wait without end.
bool Passed(const std::optional<SteadyTime>& give_up) {
  return give_up && std::chrono::steady_clock::now() >= *give_up;
}

}  // namespace

SerialPort::Opening SerialPort::Open(const std::filesystem::path& tty) {
  const posix::CallResult opened =
      posix::Open(tty.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (!opened.ok()) return {nullptr, OpenError(opened.error)};
  posix::UniqueFd fd(static_cast<int>(opened.value));

  termios saved{};
  if (const auto got = posix::GetAttributes(fd.get(), &saved); !got.ok()) {
    return {nullptr, OpenError(got.error)};
  }
  // The lock first: only its holder may set the tty's exclusive mode, which is the tty's and not
  // this descriptor's.
  if (const auto locked = posix::LockExclusively(fd.get()); !locked.ok()) {
    return {nullptr, OpenError(locked.error)};
  }
  if (const auto excluded = posix::Ioctl(fd.get(), TIOCEXCL); !excluded.ok()) {
    return {nullptr, OpenError(excluded.error)};
  }
  if (const auto set = posix::SetAttributes(fd.get(), RawSettings(saved)); !set.ok()) {
    posix::Ioctl(fd.get(), TIOCNXCL);
    return {nullptr, LineError(set.error)};
  }
  // From here the port's destructor gives the tty back as it was.
  auto port = std::make_shared<SerialPort>(Key{}, std::move(fd), saved);
  for (const posix::WakeFd* wake : {&port->event_wake_, &port->read_wake_, &port->write_wake_}) {
    if (wake->error() != 0) return {nullptr, ERROR_GEN_FAILURE};
  }
  return {std::move(port), ERROR_SUCCESS};
}

SerialPort::SerialPort(Key, posix::UniqueFd tty, const termios& saved)
    : tty_(std::move(tty)), saved_(saved), kept_dcb_(InitialDcb()) {}

SerialPort::~SerialPort() {
  // A hung-up tty refuses both; there is nothing left to give back then.
  posix::SetAttributes(tty_.get(), saved_);
  posix::Ioctl(tty_.get(), TIOCNXCL);
}

void SerialPort::Shut() {
  {
    const std::lock_guard lock(state_mutex_);
    shut_ = true;
  }
  event_wake_.Raise();
  read_wake_.Raise();
  write_wake_.Raise();
}

void SerialPort::SetEventMask(DWORD mask) {
  {
    const std::lock_guard lock(state_mutex_);
    event_mask_ = mask;
    ++mask_changes_;
  }
  event_wake_.Raise();
}

DWORD SerialPort::WaitEvent(DWORD* events) {
  *events = 0;
  const std::lock_guard call(wait_call_);
  DWORD mask = 0;
  std::uint64_t changes = 0;
  {
    const std::lock_guard lock(state_mutex_);
    if (shut_) return ERROR_OPERATION_ABORTED;
    mask = event_mask_;
    changes = mask_changes_;
  }
  if (mask == 0) return ERROR_INVALID_PARAMETER;
  ++waits_begun_;

  posix::DescriptorWait wait(event_wake_.fd());
  bool line_gone = false;
  for (;;) {
    // A gone line is ready for good: it is left out of the wait and only looked at now and then.
    wait.Clear();
    const std::size_t line = wait.Watch(line_gone ? -1 : tty_.get(),
                                        static_cast<short>((mask & EV_RXCHAR) ? POLLIN : 0));
    const auto outcome =
        wait.Until(line_gone ? std::optional(std::chrono::steady_clock::now() + kLineCheckInterval)
                             : std::nullopt);
    if (outcome == posix::DescriptorWait::Outcome::kFailed) return ERROR_GEN_FAILURE;
    ++wait_wakeups_;
    if (outcome == posix::DescriptorWait::Outcome::kWoken) event_wake_.Drain();
    {
      const std::lock_guard lock(state_mutex_);
      if (shut_) return ERROR_OPERATION_ABORTED;
      if (mask_changes_ != changes) return ERROR_SUCCESS;  // with no event
    }
    if (line_gone) {
      line_gone = LineIsGone();
    } else if (wait.Ready(line) & kLineGone) {
      line_gone = true;
    } else if (wait.Ready(line) & POLLIN) {
      *events = EV_RXCHAR;
      return ERROR_SUCCESS;
    }
  }
}

bool SerialPort::LineIsGone() const {
  const std::optional<short> now = posix::ReadyNow(tty_.get(), POLLIN);
  return !now || (*now & kLineGone) != 0;
}

DWORD SerialPort::Status(COMSTAT* status) const {
  *status = {};
  int input = 0;
  if (const auto asked = posix::Ioctl(tty_.get(), FIONREAD, &input); !asked.ok()) {
    return LineError(asked.error);
  }
  int output = 0;
  if (const auto asked = posix::Ioctl(tty_.get(), TIOCOUTQ, &output); !asked.ok()) {
    return LineError(asked.error);
  }
  status->cbInQue = static_cast<DWORD>(input);
  status->cbOutQue = static_cast<DWORD>(output);
  return ERROR_SUCCESS;
}

DWORD SerialPort::Purge(DWORD flags) {
  constexpr DWORD kAllPurges = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
  if ((flags & ~kAllPurges) != 0) return ERROR_INVALID_PARAMETER;
  if (flags & (PURGE_RXABORT | PURGE_TXABORT)) {
    {
      const std::lock_guard lock(state_mutex_);
      if (flags & PURGE_RXABORT) ++read_aborts_;
      if (flags & PURGE_TXABORT) ++write_aborts_;
    }
    if (flags & PURGE_RXABORT) read_wake_.Raise();
    if (flags & PURGE_TXABORT) write_wake_.Raise();
  }
  const bool input = flags & PURGE_RXCLEAR;
  const bool output = flags & PURGE_TXCLEAR;
  if (!input && !output) return ERROR_SUCCESS;
  const int queues = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
  const auto flushed = posix::Flush(tty_.get(), queues);
  return flushed.ok() ? ERROR_SUCCESS : LineError(flushed.error);
}

DWORD SerialPort::SetModemLine(int line, LineSignal signal) const {
  const auto set = posix::Ioctl(tty_.get(), signal == LineSignal::kUp ? TIOCMBIS : TIOCMBIC, &line);
  if (set.ok()) return ERROR_SUCCESS;
  // A pseudo-terminal has no modem lines at all.
  return set.error == ENOTTY || set.error == EINVAL ? ERROR_NOT_SUPPORTED : ERROR_GEN_FAILURE;
}

DWORD SerialPort::Escape(DWORD function) const {
  switch (function) {
    case SETDTR:
      return SetModemLine(TIOCM_DTR, LineSignal::kUp);
    case CLRDTR:
      return SetModemLine(TIOCM_DTR, LineSignal::kDown);
    default:
      return ERROR_INVALID_PARAMETER;
  }
}

DWORD SerialPort::GetState(DCB* dcb) const {
  const std::lock_guard lock(state_mutex_);
  termios settings{};
  if (const auto got = posix::GetAttributes(tty_.get(), &settings); !got.ok()) {
    return LineError(got.error);
  }
  *dcb = DcbFromTermios(settings, kept_dcb_);
  return ERROR_SUCCESS;
}

DWORD SerialPort::SetState(const DCB& dcb) {
  {
    const std::lock_guard lock(state_mutex_);
    termios before{};
    if (const auto got = posix::GetAttributes(tty_.get(), &before); !got.ok()) {
      return LineError(got.error);
    }
    termios wanted = before;
    if (!ApplyDcb(dcb, &wanted)) return ERROR_INVALID_PARAMETER;
    if (const auto set = posix::SetAttributes(tty_.get(), wanted); !set.ok()) {
      return LineError(set.error);
    }
    termios taken{};
    const auto got = posix::GetAttributes(tty_.get(), &taken);
    if (!got.ok() || !SameLineSettings(wanted, taken)) {
      posix::SetAttributes(tty_.get(), before);
      return got.ok() ? ERROR_INVALID_PARAMETER : LineError(got.error);
    }
    kept_dcb_ = dcb;
  }
  // The control lines follow the DCB where the tty has them; a pseudo-terminal has none.
  SetModemLine(TIOCM_DTR,
               dcb.fDtrControl == DTR_CONTROL_ENABLE ? LineSignal::kUp : LineSignal::kDown);
  if (dcb.fRtsControl != RTS_CONTROL_HANDSHAKE) {
    SetModemLine(TIOCM_RTS,
                 dcb.fRtsControl == RTS_CONTROL_ENABLE ? LineSignal::kUp : LineSignal::kDown);
  }
  return ERROR_SUCCESS;
}

void SerialPort::SetTimeouts(const COMMTIMEOUTS& timeouts) {
  const std::lock_guard lock(state_mutex_);
  timeouts_ = timeouts;
}

COMMTIMEOUTS SerialPort::timeouts() const {
  const std::lock_guard lock(state_mutex_);
  return timeouts_;
}

bool SerialPort::Interrupted(const std::uint64_t& aborts, std::uint64_t seen) const {
  const std::lock_guard lock(state_mutex_);
  return shut_ || aborts != seen;
}

DWORD SerialPort::Read(void* buffer, DWORD size, DWORD* bytes_read) {
  *bytes_read = 0;
  const std::lock_guard call(read_call_);
  std::uint64_t aborts = 0;
  {
    const std::lock_guard lock(state_mutex_);
    if (shut_) return ERROR_OPERATION_ABORTED;
    aborts = read_aborts_;
  }
  auto* const bytes = static_cast<BYTE*>(buffer);
  ReadTimer timer(timeouts(), size, std::chrono::steady_clock::now());
  posix::DescriptorWait wait(read_wake_.fd());
  const std::size_t line = wait.Watch(tty_.get(), POLLIN);
  while (*bytes_read < size) {
    const auto got = posix::Read(tty_.get(), bytes + *bytes_read, size - *bytes_read);
    if (got.ok() && got.value > 0) {
      *bytes_read += static_cast<DWORD>(got.value);
      timer.BytesArrived(std::chrono::steady_clock::now());
      continue;
    }
    // A tty in raw mode reads 0 bytes only once it is hung up.
    if (got.ok() || got.error != EAGAIN) {
      return *bytes_read != 0 ? ERROR_SUCCESS : got.ok() ? ERROR_GEN_FAILURE : LineError(got.error);
    }
    const std::optional<SteadyTime> give_up = timer.GiveUpAt();
    if (Passed(give_up)) break;
    const auto outcome = wait.Until(give_up);
    if (outcome == posix::DescriptorWait::Outcome::kFailed) return ERROR_GEN_FAILURE;
    if (outcome == posix::DescriptorWait::Outcome::kWoken) read_wake_.Drain();
    if (Interrupted(read_aborts_, aborts)) return ERROR_OPERATION_ABORTED;
    if ((wait.Ready(line) & kLineGone) && !(wait.Ready(line) & POLLIN)) {
      return *bytes_read != 0 ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
    }
  }
  return ERROR_SUCCESS;
}

DWORD SerialPort::Write(const void* data, DWORD size, DWORD* bytes_written) {
  *bytes_written = 0;
  const std::lock_guard call(write_call_);
  std::uint64_t aborts = 0;
  {
    const std::lock_guard lock(state_mutex_);
    if (shut_) return ERROR_OPERATION_ABORTED;
    aborts = write_aborts_;
  }
  const auto* const bytes = static_cast<const BYTE*>(data);
  const std::optional<SteadyTime> give_up =
      WriteGiveUpAt(timeouts(), size, std::chrono::steady_clock::now());
  posix::DescriptorWait wait(write_wake_.fd());
  const std::size_t line = wait.Watch(tty_.get(), POLLOUT);
  while (*bytes_written < size) {
    const auto put = posix::Write(tty_.get(), bytes + *bytes_written, size - *bytes_written);
    if (put.ok() && put.value > 0) {
      *bytes_written += static_cast<DWORD>(put.value);
      continue;
    }
    if (!put.ok() && put.error != EAGAIN) return LineError(put.error);
    if (Passed(give_up)) break;
    const auto outcome = wait.Until(give_up);
    if (outcome == posix::DescriptorWait::Outcome::kFailed) return ERROR_GEN_FAILURE;
    if (outcome == posix::DescriptorWait::Outcome::kWoken) write_wake_.Drain();
    if (Interrupted(write_aborts_, aborts)) return ERROR_OPERATION_ABORTED;
    if ((wait.Ready(line) & kLineGone) && !(wait.Ready(line) & POLLOUT)) return ERROR_GEN_FAILURE;
  }
  return ERROR_SUCCESS;
}

}  // namespace platform
