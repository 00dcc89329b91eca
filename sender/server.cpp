#include "sender/server.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <list>

#include "platform/terminal/code_page.h"
#include "platform/terminal/debug_port.h"
#include "platform/terminal/window.h"
#include "sender/dialog_actions.h"

namespace sender {

namespace {

using std::chrono::steady_clock;

std::string Failure(const std::string& what) { return what + ": " + std::strerror(errno); }

std::string ModeText(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

// Only the console's user may reach the socket: its folder must be that user's and closed to
// everybody else.
std::optional<std::string> CheckFolder(const std::filesystem::path& folder) {
  struct stat state {};
  if (::stat(folder.c_str(), &state) != 0) {
    return Failure("cannot use the socket's folder " + folder.string());
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

// A socket file left behind by a console that ended without removing it is replaced; one that a
// console answers on is not.
std::optional<std::string> ClearLeftover(const sockaddr_un& address) {
  const char* path = address.sun_path;
  struct stat state {};
  if (::lstat(path, &state) != 0) {
    return errno == ENOENT ? std::nullopt
                           : std::optional(Failure(std::string("cannot use ") + path));
  }
  if (!S_ISSOCK(state.st_mode)) return std::string(path) + " exists and is not a socket";
  const UniqueFd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!probe) return Failure("socket");
  // A full backlog (EAGAIN) also means that somebody listens.
  if (::connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
      errno == EAGAIN) {
    return std::string("a console already listens on ") + path;
  }
  if (errno != ECONNREFUSED) {
    return Failure(std::string("cannot tell whether a console listens on ") + path);
  }
  if (::unlink(path) != 0 && errno != ENOENT) {
    return Failure(std::string("cannot remove the leftover socket ") + path);
  }
  return std::nullopt;
}

void ReportQueuedRefusal(const std::string& error) {
  const std::wstring text = platform::FromUtf8(error).value_or(L"(not UTF-8)");
  NKDbgPrintfW(L"SenderServer::Answer():: queued request refused: %s\r\n", text.c_str());
}

}  // namespace

SenderServer::SenderServer(std::filesystem::path socket_path, HWND dialog,
                           std::shared_ptr<platform::MessageLoop::Core> loop, ServerLimits limits)
    : socket_path_(std::move(socket_path)),
      dialog_(dialog),
      limits_(limits),
      hand_off_(std::move(loop)) {}

SenderServer::~SenderServer() { Stop(); }

std::optional<std::string> SenderServer::Start() {
  if (listener_ || stopped_) {
    return "the server for " + socket_path_.string() + " cannot start again";
  }
  const std::string path = socket_path_.string();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) {
    return "the socket path \"" + path + "\" is empty or too long";
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

  const std::filesystem::path folder = socket_path_.parent_path();
  if (auto error = CheckFolder(folder.empty() ? "." : folder)) return error;
  if (auto error = ClearLeftover(address)) return error;

  UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!listener) return Failure("socket");
  if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    return Failure("cannot bind " + path);
  }
  struct stat bound {};
  if (::chmod(path.c_str(), 0600) != 0 || ::listen(listener.get(), SOMAXCONN) != 0 ||
      ::stat(path.c_str(), &bound) != 0) {
    std::string error = Failure("cannot listen on " + path);
    ::unlink(path.c_str());
    return error;
  }
  socket_device_ = bound.st_dev;
  socket_inode_ = bound.st_ino;
  listener_ = std::move(listener);
  acceptor_ = std::thread([this] { AcceptConnections(); });
  return std::nullopt;
}

void SenderServer::Stop() {
  stopped_ = true;
  stop_.Raise();
  hand_off_.LetGo();
  if (acceptor_.joinable()) acceptor_.join();
  if (!listener_) return;
  listener_.reset();
  // Remove the socket file only if it is still the one we bound.
  struct stat state {};
  if (::lstat(socket_path_.c_str(), &state) == 0 && state.st_dev == socket_device_ &&
      state.st_ino == socket_inode_) {
    ::unlink(socket_path_.c_str());
  }
}

void SenderServer::AcceptConnections() {
  struct Connection {
    std::thread thread;
    std::atomic<bool> finished{false};
  };
  std::list<Connection> connections;
  const auto join_finished = [&] {
    connections.remove_if([](Connection& connection) {
      if (!connection.finished) return false;
      connection.thread.join();
      return true;
    });
  };

  for (;;) {
    join_finished();
    pollfd watched[2] = {{listener_.get(), POLLIN, 0}, {stop_.fd(), POLLIN, 0}};
    if (::poll(watched, 2, -1) < 0) continue;
    if (watched[1].revents != 0) break;
    UniqueFd connection(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!connection) {
      // Out of descriptors or memory: wait a moment (or for the stop) instead of spinning.
      if (errno != EAGAIN && errno != EINTR && errno != ECONNABORTED) {
        pollfd stop{stop_.fd(), POLLIN, 0};
        ::poll(&stop, 1, 100);
      }
      continue;
    }
    if (connections.size() >= static_cast<std::size_t>(limits_.max_connections)) {
      WriteAll(connection.get(),
               EncodeReply(Reply::Failed("the console is busy with other senders; try again")),
               steady_clock::now(), nullptr);
      continue;
    }
    Connection& entry = connections.emplace_back();
    entry.thread = std::thread([this, &entry, connection = std::move(connection)]() mutable {
      Serve(std::move(connection));
      entry.finished = true;
    });
  }
  for (Connection& connection : connections) connection.thread.join();
}

void SenderServer::Serve(UniqueFd connection) {
  const LineRead request = ReadLine(connection.get(), kMaxRequestBytes,
                                    steady_clock::now() + limits_.receive_timeout, &stop_);
  Reply reply;
  switch (request.status) {
    case IoStatus::Done:
      reply = Answer(request.line);
      break;
    case IoStatus::TimedOut:
      reply = Reply::Failed("no complete request arrived in time");
      break;
    case IoStatus::PeerClosed:
      reply = Reply::Failed(request.line.empty() ? "no request arrived"
                                                 : "the request ends before its newline");
      break;
    case IoStatus::TooLong:
      reply = Reply::Failed("the request is longer than " + std::to_string(kMaxRequestBytes) +
                            " bytes");
      break;
    case IoStatus::Stopped:
      reply = Reply::Failed(kConsoleClosing);
      break;
    case IoStatus::Failed:
      return;
  }
  WriteAll(connection.get(), EncodeReply(reply), steady_clock::now() + limits_.send_timeout,
           &stop_);
}

Reply SenderServer::Answer(std::string_view line) {
  auto decoded = DecodeRequest(line);
  if (const auto* error = std::get_if<ProtocolError>(&decoded)) {
    return Reply::Failed(error->message);
  }
  const Request request = std::get<Request>(std::move(decoded));
  if (!IsWindow(dialog_)) return Reply::Failed(kConsoleClosing);

  const HWND dialog = dialog_;
  if (!WaitsForHandler(request)) {
    const bool queued = hand_off_.Queue([dialog, request] {
      if (const Reply reply = CarryOut(dialog, request); !reply.ok()) {
        ReportQueuedRefusal(*reply.error);
      }
    });
    return queued ? Reply::Done() : Reply::Failed(kConsoleClosing);
  }
  Reply reply = Reply::Failed(kConsoleClosing);
  hand_off_.RunAndWait([&] { reply = CarryOut(dialog, request); });
  return reply;
}

}  // namespace sender
