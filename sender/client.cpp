#include "sender/client.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/socket_calls.h"
#include "sender/peer_check.h"
#include "sender/socket_io.h"

namespace sender {

namespace {

namespace posix = platform::posix;

// Replies carry at most a control's text; this only bounds what a confused peer can make us hold.
constexpr std::size_t kMaxReplyBytes = 64 * 1024 * 1024;
constexpr char kCalledOff[] = "the exchange was called off";

std::string Within(std::chrono::milliseconds timeout) {
  if (timeout.count() % 1000 == 0) return "within " + std::to_string(timeout.count() / 1000) + " s";
  return "within " + std::to_string(timeout.count()) + " ms";
}

ExchangeResult Fail(ExchangeStatus status, std::string error) {
  return {status, Reply::Failed(std::move(error))};
}

}  // namespace

ExchangeResult Exchange(const std::filesystem::path& socket_path, std::string_view request_line,
                        std::chrono::milliseconds timeout, int call_off_fd) {
  const Deadline deadline = std::chrono::steady_clock::now() + timeout;
  const std::string path = socket_path.string();
  const auto address = posix::LocalAddress(path);
  if (!address) {
    return Fail(ExchangeStatus::Failed, "the socket path \"" + path + "\" is empty or too long");
  }
  const auto opened = posix::LocalSocket();
  if (!opened.ok()) return Fail(ExchangeStatus::Failed, opened.Describe());
  const posix::UniqueFd connection(static_cast<int>(opened.value));
  // A console whose backlog is full keeps connect waiting; the send timeout bounds that wait.
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
  posix::SetSendTimeout(connection.get(),
                        {static_cast<time_t>(seconds.count()),
                         static_cast<suseconds_t>((timeout - seconds).count() * 1000)});
  if (const auto connected = posix::Connect(connection.get(), *address); !connected.ok()) {
    switch (connected.error) {
      case EAGAIN:
      case EINPROGRESS:
        return Fail(ExchangeStatus::Failed,
                    "the console on " + path + " did not accept the connection " + Within(timeout));
      case EACCES:
      case EPERM:
        return Fail(ExchangeStatus::Failed, std::string(kPermissionDenied) + ": cannot reach " +
                                                path + " (" + std::strerror(connected.error) + ")");
      default:
        return Fail(ExchangeStatus::NoConsole,
                    "no console listens on " + path + " (" + std::strerror(connected.error) + ")");
    }
  }
  // The request goes to nobody but a console of our own user's or root's.
  if (auto untrusted = UntrustedPeer(connection.get(), ::geteuid())) {
    return Fail(ExchangeStatus::Failed, *untrusted + " (" + path + ")");
  }

  const IoStatus sent = WriteAll(connection.get(), request_line, deadline, call_off_fd);
  if (sent == IoStatus::CalledOff) return Fail(ExchangeStatus::Failed, kCalledOff);
  if (sent == IoStatus::TimedOut) {
    return Fail(ExchangeStatus::Failed, "the console did not take the request " + Within(timeout));
  }
  // A console that refuses early (busy) may close before taking the request: its reply still waits.
  const LineRead answer = ReadLine(connection.get(), kMaxReplyBytes, deadline, call_off_fd);
  switch (answer.status) {
    case IoStatus::Done:
      if (auto reply = DecodeReply(answer.line)) {
        return {ExchangeStatus::Replied, std::move(*reply)};
      }
      return Fail(ExchangeStatus::Failed, "the console's reply is malformed");
    case IoStatus::TimedOut:
      return Fail(ExchangeStatus::Failed, "no reply from the console " + Within(timeout));
    case IoStatus::CalledOff:
      return Fail(ExchangeStatus::Failed, kCalledOff);
    case IoStatus::Failed:
      return Fail(ExchangeStatus::Failed,
                  "reading the console's reply failed: " + answer.failure.Describe());
    default:
      return Fail(ExchangeStatus::Failed, "the console closed the connection without a reply");
  }
}

bool ConsoleAnswers(const std::filesystem::path& socket_path) {
  const auto line = EncodeRequest(Request{ReadRequest{0}, Delivery::AfterHandler});
  return Exchange(socket_path, std::get<std::string>(line), std::chrono::seconds(2)).status ==
         ExchangeStatus::Replied;
}

}  // namespace sender
