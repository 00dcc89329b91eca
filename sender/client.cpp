#include "sender/client.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>

#include <cerrno>
#include <cstring>

#include "sender/socket_io.h"

namespace sender {

namespace {

// Replies carry at most a control's text; this only bounds what a confused peer can make us hold.
constexpr std::size_t kMaxReplyBytes = 64 * 1024 * 1024;

std::string Within(std::chrono::milliseconds timeout) {
  if (timeout.count() % 1000 == 0) return "within " + std::to_string(timeout.count() / 1000) + " s";
  return "within " + std::to_string(timeout.count()) + " ms";
}

ExchangeResult Fail(ExchangeStatus status, std::string error) {
  return {status, Reply::Failed(std::move(error))};
}

}  // namespace

ExchangeResult Exchange(const std::filesystem::path& socket_path, std::string_view request_line,
                        std::chrono::milliseconds timeout) {
  const Deadline deadline = std::chrono::steady_clock::now() + timeout;
  const std::string path = socket_path.string();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) {
    return Fail(ExchangeStatus::Failed, "the socket path \"" + path + "\" is empty or too long");
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

  const UniqueFd connection(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!connection) {
    return Fail(ExchangeStatus::Failed, std::string("socket: ") + std::strerror(errno));
  }
  // A console whose backlog is full keeps connect waiting; the send timeout bounds that wait.
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
  const timeval limit{static_cast<time_t>(seconds.count()),
                      static_cast<suseconds_t>((timeout - seconds).count() * 1000)};
  ::setsockopt(connection.get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  if (::connect(connection.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
      0) {
    if (errno == EAGAIN || errno == EINPROGRESS) {
      return Fail(ExchangeStatus::Failed,
                  "the console on " + path + " did not accept the connection " + Within(timeout));
    }
    return Fail(ExchangeStatus::NoConsole,
                "no console listens on " + path + " (" + std::strerror(errno) + ")");
  }

  const IoStatus sent = WriteAll(connection.get(), request_line, deadline, nullptr);
  if (sent == IoStatus::TimedOut) {
    return Fail(ExchangeStatus::Failed, "the console did not take the request " + Within(timeout));
  }
  // A console that refuses early (busy) may close before taking the request: its reply still waits.
  const LineRead answer = ReadLine(connection.get(), kMaxReplyBytes, deadline, nullptr);
  switch (answer.status) {
    case IoStatus::Done:
      if (auto reply = DecodeReply(answer.line)) {
        return {ExchangeStatus::Replied, std::move(*reply)};
      }
      return Fail(ExchangeStatus::Failed, "the console's reply is malformed");
    case IoStatus::TimedOut:
      return Fail(ExchangeStatus::Failed, "no reply from the console " + Within(timeout));
    case IoStatus::Failed:
      return Fail(ExchangeStatus::Failed, std::string("reading the console's reply failed: ") +
                                              std::strerror(answer.error));
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
