#include "platform/terminal/serial.h"

#include "platform/linux/serial_port_posix.h"
#include "platform/ports/session_events.h"
#include "platform/terminal/events.h"
#include "platform/terminal/handles.h"

namespace platform {

namespace {

// What a "COMn:" handle names. Calls take the port out of it and let go of this object before
// they wait, so that closing the handle destroys it at once, which shuts the port and wakes every
// call still inside; the tty itself closes when the last of those calls lets go of the port.
class SerialPortHandle final : public KernelObject {
 public:
  SerialPortHandle(std::shared_ptr<SerialPort> port, std::string name)
      : port_(std::move(port)), name_(std::move(name)) {}
  ~SerialPortHandle() override { port_->Shut(); }
  SerialPortHandle(const SerialPortHandle&) = delete;
  SerialPortHandle& operator=(const SerialPortHandle&) = delete;

  const std::shared_ptr<SerialPort>& port() const { return port_; }
  const std::string& name() const { return name_; }

 private:
  std::shared_ptr<SerialPort> port_;
  const std::string name_;  // "COM1", for the session's record
};

// Runs `call` on the port behind `handle` and reports its result as the platform does: a BOOL,
// and the error as last error on failure.
template <class Call>
BOOL OnPort(HANDLE handle, Call call) {
  const std::shared_ptr<SerialPort> port = SerialPortOf(handle);
  const DWORD error = port == nullptr ? ERROR_INVALID_HANDLE : call(*port);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

// A synchronous call still completes its OVERLAPPED record: the event is reset as the call
// starts and signalled as it returns, with the status and the count in the record.
class OverlappedCompletion {
 public:
  explicit OverlappedCompletion(OVERLAPPED* overlapped) : overlapped_(overlapped) {
    if (overlapped_ != nullptr) event_ = LookUpHandleAs<Event>(overlapped_->hEvent);
    if (event_ != nullptr) event_->Reset();
  }

  void Complete(DWORD error, DWORD count) {
    if (overlapped_ == nullptr) return;
    overlapped_->Internal = error;
    overlapped_->InternalHigh = count;
    if (event_ != nullptr) event_->Set();
  }

 private:
  OVERLAPPED* overlapped_;
  std::shared_ptr<Event> event_;
};

template <class Transfer>
BOOL TransferOnPort(HANDLE handle, const void* bytes, SerialDirection direction, DWORD* count,
                    OVERLAPPED* overlapped, Transfer transfer) {
  DWORD ignored_count = 0;
  DWORD* const moved = count != nullptr ? count : &ignored_count;
  *moved = 0;
  OverlappedCompletion completion(overlapped);
  std::shared_ptr<SerialPort> port;
  std::string port_name;  // short enough to need no allocation
  if (const auto object = LookUpHandleAs<SerialPortHandle>(handle)) {
    port = object->port();
    port_name = object->name();
  }
  const DWORD error = port == nullptr ? ERROR_INVALID_HANDLE : transfer(*port, moved);
  // The block is told before the completion is signalled, so it is recorded before anyone hears
  // of it.
  if (SessionEvents* const events = CurrentSessionEvents(); events != nullptr && *moved != 0) {
    events->SerialBlock(port_name, direction, {static_cast<const std::byte*>(bytes), *moved});
  }
  completion.Complete(error, *moved);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HANDLE OpenSerialPortHandle(const std::filesystem::path& tty, std::string port_name) {
  SerialPort::Opening opening = SerialPort::Open(tty);
  if (opening.port == nullptr) {
    SetLastError(opening.error);
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_SUCCESS);
  return InsertHandle(
      std::make_shared<SerialPortHandle>(std::move(opening.port), std::move(port_name)));
}

std::shared_ptr<SerialPort> SerialPortOf(HANDLE handle) {
  const auto object = LookUpHandleAs<SerialPortHandle>(handle);
  return object == nullptr ? nullptr : object->port();
}

}  // namespace platform

using platform::OnPort;
using platform::SerialPort;

BOOL SetupComm(HANDLE port, DWORD /*input_queue*/, DWORD /*output_queue*/) {
  return OnPort(port, [](SerialPort&) { return ERROR_SUCCESS; });
}

BOOL SetCommMask(HANDLE port, DWORD mask) {
  return OnPort(port, [&](SerialPort& p) {
    p.SetEventMask(mask);
    return ERROR_SUCCESS;
  });
}

BOOL WaitCommEvent(HANDLE port, DWORD* events, OVERLAPPED* /*overlapped*/) {
  return OnPort(port, [&](SerialPort& p) {
    return events == nullptr ? ERROR_INVALID_PARAMETER : p.WaitEvent(events);
  });
}

BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status) {
  if (errors != nullptr) *errors = 0;
  return OnPort(port, [&](SerialPort& p) {
    COMSTAT ignored_status{};
    return p.Status(status != nullptr ? status : &ignored_status);
  });
}

BOOL PurgeComm(HANDLE port, DWORD flags) {
  return OnPort(port, [&](SerialPort& p) { return p.Purge(flags); });
}

BOOL EscapeCommFunction(HANDLE port, DWORD function) {
  return OnPort(port, [&](SerialPort& p) { return p.Escape(function); });
}

BOOL GetCommState(HANDLE port, DCB* dcb) {
  return OnPort(port, [&](SerialPort& p) {
    return dcb == nullptr ? ERROR_INVALID_PARAMETER : p.GetState(dcb);
  });
}

BOOL SetCommState(HANDLE port, const DCB* dcb) {
  return OnPort(port, [&](SerialPort& p) {
    return dcb == nullptr ? ERROR_INVALID_PARAMETER : p.SetState(*dcb);
  });
}

BOOL SetCommTimeouts(HANDLE port, const COMMTIMEOUTS* timeouts) {
  return OnPort(port, [&](SerialPort& p) {
    if (timeouts == nullptr) return ERROR_INVALID_PARAMETER;
    p.SetTimeouts(*timeouts);
    return ERROR_SUCCESS;
  });
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, DWORD* bytes_read, OVERLAPPED* overlapped) {
  return platform::TransferOnPort(file, buffer, platform::SerialDirection::kReceived, bytes_read,
                                  overlapped, [&](SerialPort& p, DWORD* count) {
                                    return buffer == nullptr && size != 0
                                               ? ERROR_INVALID_PARAMETER
                                               : p.Read(buffer, size, count);
                                  });
}

BOOL WriteFile(HANDLE file, const void* data, DWORD size, DWORD* bytes_written,
               OVERLAPPED* overlapped) {
  return platform::TransferOnPort(
      file, data, platform::SerialDirection::kSent, bytes_written, overlapped,
      [&](SerialPort& p, DWORD* count) {
        return data == nullptr && size != 0 ? ERROR_INVALID_PARAMETER : p.Write(data, size, count);
      });
}
