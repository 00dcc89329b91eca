#include "sender/server.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <utility>
#include <vector>

#include "platform/linux/descriptor_pause.h"
#include "platform/linux/descriptor_wait.h"
#include "platform/linux/socket_calls.h"
#include "sender/connection_table.h"
#include "sender/dialog_actions.h"
#include "sender/peer_check.h"
#include "sender/socket_io.h"

namespace sender {

namespace {

namespace posix = platform::posix;
using std::chrono::steady_clock;

// How long the pane's news is left to gather after this thread has taken some: under a flood the
// thread then wakes at most a thousand times a second for it rather than at every burst, while
// a lone append is still taken at once.
constexpr std::chrono::milliseconds kNewsGathering{1};

std::optional<SteadyTime> Earliest(std::optional<SteadyTime> one, std::optional<SteadyTime> other) {
  if (!one || !other) return one ? one : other;
  return std::min(*one, *other);
}

// A reply that must not hold up the others: what the socket takes at once goes out.
void ReplyAtOnce(int fd, const Reply& reply) {
  const std::string line = EncodeReply(reply);
  posix::Send(fd, line.data(), line.size(), MSG_DONTWAIT);
}

// Each connection's exchange: its request read and handed to whoever carries it out, and the
// reply written back. The table keeps the connections, their deadlines and their turns.
class Exchanges {
 public:
  Exchanges(const ServerLimits& limits, DialogQueue& queue, RecordMarks& marks,
            Expectations& expectations)
      : table_(limits), queue_(queue), marks_(marks), expectations_(expectations) {}
  ~Exchanges() {
    // The console is closing: whoever still waits hears so, unless its reply is there.
    TakeReplies();
    for (const auto& [ticket, connection] : table_.connections()) {
      if (connection.stage == Connection::Stage::Writing) {
        const std::string_view unsent = connection.unsent();
        posix::Send(connection.fd.get(), unsent.data(), unsent.size(), MSG_DONTWAIT);
      } else {
        ReplyAtOnce(connection.fd.get(), Reply::Failed(kConsoleClosing));
      }
    }
  }

  void Admit(posix::UniqueFd fd) {
    if (UntrustedPeer(fd.get(), ::geteuid())) {
      ReplyAtOnce(fd.get(), Reply::Failed(kPermissionDenied));
      return;
    }
    const posix::UniqueFd turned_away = table_.Admit(std::move(fd), steady_clock::now());
    if (turned_away) ReplyAtOnce(turned_away.get(), Reply::Failed(kConsoleBusy));
  }

  void Watch(posix::DescriptorWait& wait,
             std::vector<std::pair<Ticket, std::size_t>>& places) const {
    table_.Watch(wait, places);
  }

  std::optional<SteadyTime> EarliestDeadline() const {
    return Earliest(table_.EarliestDeadline(), expectations_.EarliestDeadline());
  }

  void Ready(Ticket ticket) {
    Connection* connection = table_.Find(ticket);
    if (connection == nullptr) return;
    switch (connection->stage) {
      case Connection::Stage::Reading:
        Receive(ticket, *connection);
        return;
      case Connection::Stage::Writing:
        Write(ticket, *connection);
        return;
      case Connection::Stage::Waiting:
        // The sender hung up: its expect waits no longer, and a reply would find nobody.
        expectations_.Forget(ticket);
        table_.Close(ticket);
        return;
    }
  }

  void TakeReplies() {
    for (auto& [ticket, line] : queue_.TakeReplies()) Finish(ticket, std::move(line));
    for (auto& [ticket, line] : marks_.TakeReplies()) Finish(ticket, std::move(line));
    for (const auto& [ticket, reply] : expectations_.Advance()) Finish(ticket, reply);
  }

  // The reads next in line go to the dialog while the replies held leave room.
  void HandInReads() {
    while (auto read = table_.NextRead()) queue_.Submit(read->first, std::move(read->second));
  }

  void ExpireDeadlines() {
    const auto now = steady_clock::now();
    for (const auto& [ticket, reply] : expectations_.Expire(now)) Finish(ticket, reply);
    for (const Ticket ticket : table_.Expired(now)) {
      const Connection* connection = table_.Find(ticket);
      if (connection != nullptr && connection->stage == Connection::Stage::Reading) {
        Finish(ticket, Reply::Failed("no complete request arrived in time"));
      } else {
        table_.Close(ticket);  // the sender does not take its reply
      }
    }
  }

 private:
  void Receive(Ticket ticket, Connection& connection) {
    char chunk[16384];
    const auto received = posix::Receive(connection.fd.get(), chunk, sizeof chunk, MSG_DONTWAIT);
    if (!received.ok()) {
      if (received.error != EAGAIN) table_.Close(ticket);
      return;
    }
    if (received.value == 0) {
      Finish(ticket, Reply::Failed(connection.request.line().empty()
                                       ? "no request arrived"
                                       : "the request ends before its newline"));
      return;
    }
    switch (connection.request.Feed({chunk, static_cast<std::size_t>(received.value)})) {
      case LineAssembler::State::Incomplete:
        return;
      case LineAssembler::State::TooLong:
        Finish(ticket, Reply::Failed("the request is longer than " +
                                     std::to_string(kMaxRequestBytes) + " bytes"));
        return;
      case LineAssembler::State::Done:
        break;
    }
    auto decoded = DecodeRequest(connection.request.line());
    if (const auto* error = std::get_if<ProtocolError>(&decoded)) {
      Finish(ticket, Reply::Failed(error->message));
      return;
    }
    Dispatch(ticket, std::get<Request>(std::move(decoded)));
  }

  // Expects and marks are carried out on threads of their own, reads when their turn comes,
  // everything else by the dialog.
  void Dispatch(Ticket ticket, Request request) {
    std::optional<Reply> at_once;
    if (std::holds_alternative<ExpectRequest>(request.action)) {
      at_once = expectations_.Begin(ticket, request);
    } else if (std::holds_alternative<MarkRequest>(request.action)) {
      at_once = marks_.Begin(ticket, request);
    } else if (std::holds_alternative<ReadRequest>(request.action)) {
      table_.QueueRead(ticket, std::move(request));
      return;
    } else {
      queue_.Submit(ticket, std::move(request));
    }
    if (at_once) {
      Finish(ticket, *at_once);
    } else {
      table_.Wait(ticket);
    }
  }

  void Finish(Ticket ticket, const Reply& reply) { Finish(ticket, EncodeReply(reply)); }

  // The reply line goes out; the connection closes once it has.
  void Finish(Ticket ticket, std::string line) {
    Connection* connection = table_.Answer(ticket, std::move(line), steady_clock::now());
    if (connection != nullptr) Write(ticket, *connection);
  }

  void Write(Ticket ticket, Connection& connection) {
    const std::string_view unsent = connection.unsent();
    const auto sent = posix::Send(connection.fd.get(), unsent.data(), unsent.size(), MSG_DONTWAIT);
    if (sent.ok()) connection.sent += static_cast<std::size_t>(sent.value);
    if ((sent.ok() && connection.unsent().empty()) || (!sent.ok() && sent.error != EAGAIN)) {
      table_.Close(ticket);
    }
  }

  ConnectionTable table_;
  DialogQueue& queue_;
  RecordMarks& marks_;
  Expectations& expectations_;
};

// Takes in every connection that waits at the listener.
void AcceptWaiting(int listener, Exchanges& exchanges, posix::DescriptorPause& accepting) {
  while (posix::UniqueFd client = posix::AcceptOrPause(listener, accepting)) {
    exchanges.Admit(std::move(client));
  }
}

}  // namespace

SenderServer::SenderServer(std::filesystem::path socket_path, HWND dialog,
                           std::shared_ptr<platform::MessageLoop::Core> loop, ServerLimits limits,
                           WaitSources sources)
    : socket_path_(std::move(socket_path)),
      limits_(limits),
      queue_(dialog, loop, limits.max_waiting),
      marks_(std::move(sources.mark_record), limits.max_marking),
      expectations_(dialog, sources.log_pane_id, std::move(loop), limits.max_expecting) {}

SenderServer::~SenderServer() { Stop(); }

std::optional<std::string> SenderServer::Start() {
  if (socket_.is_open() || stopped_) {
    return "the server for " + socket_path_.string() + " cannot start again";
  }
  if (stop_.fd() < 0) return posix::CallResult{0, stop_.error(), "eventfd"}.Describe();
  if (auto error = socket_.Open(socket_path_)) return error;
  server_thread_ = std::thread([this] { Serve(); });
  return std::nullopt;
}

void SenderServer::Stop() {
  stopped_ = true;
  queue_.LetGo();
  marks_.Stop();
  stop_.Raise();
  if (server_thread_.joinable()) server_thread_.join();
  socket_.Close();
}

void SenderServer::Serve() {
  Exchanges exchanges(limits_, queue_, marks_, expectations_);
  posix::DescriptorPause accepting, news;
  posix::DescriptorWait wait(stop_.fd());
  std::vector<std::pair<Ticket, std::size_t>> connections;
  for (;;) {
    const auto now = steady_clock::now();
    wait.Clear();
    const std::size_t listener = wait.Watch(accepting.Watched(socket_.listener(), now), POLLIN);
    // The three ways replies come: the dialog's, marks', and expects' news.
    const std::size_t replies[] = {wait.Watch(queue_.replies_ready_fd(), POLLIN),
                                   wait.Watch(marks_.replies_ready_fd(), POLLIN),
                                   wait.Watch(news.Watched(expectations_.news_fd(), now), POLLIN)};
    connections.clear();
    exchanges.Watch(wait, connections);
    const auto outcome = wait.Until(
        Earliest(exchanges.EarliestDeadline(), Earliest(accepting.End(now), news.End(now))));
    if (outcome == posix::DescriptorWait::Outcome::kWoken) return;
    if (outcome == posix::DescriptorWait::Outcome::kFailed) continue;
    if (std::any_of(std::begin(replies), std::end(replies),
                    [&](std::size_t place) { return wait.Ready(place) != 0; })) {
      exchanges.TakeReplies();
    }
    if (wait.Ready(replies[2]) != 0) news.For(kNewsGathering);
    for (const auto& [ticket, place] : connections) {
      if (wait.Ready(place) != 0) exchanges.Ready(ticket);
    }
    if (wait.Ready(listener) != 0) AcceptWaiting(socket_.listener(), exchanges, accepting);
    exchanges.ExpireDeadlines();
    exchanges.HandInReads();
  }
}

}  // namespace sender
