#include "sender/server.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <deque>
#include <map>
#include <vector>

#include "platform/linux/socket_calls.h"
#include "sender/dialog_actions.h"
#include "sender/peer_check.h"
#include "sender/socket_io.h"

namespace sender {

namespace {

namespace posix = platform::posix;
using std::chrono::steady_clock;

// The serving thread's own descriptors before its connections': the stop, the listener, and
// the three ways replies come (the dialog's, marks', expects' news).
constexpr std::size_t kFixedWatches = 5;

// How long to leave the listener alone when the process is out of descriptors or memory.
constexpr std::chrono::milliseconds kAcceptPause{100};
// How long the pane's news is left to gather after this thread has taken some: under a flood the
// thread then wakes at most a thousand times a second for it rather than at every burst, while
// a lone append is still taken at once.
constexpr std::chrono::milliseconds kNewsGathering{1};

// A descriptor left alone for a while after something happened on it.
class Pause {
 public:
  void For(std::chrono::milliseconds pause) { until_ = steady_clock::now() + pause; }
  // The descriptor to watch at `now`: -1 while paused.
  int Watched(int fd, steady_clock::time_point now) const { return now < until_ ? -1 : fd; }
  // `timeout` for poll at `now`, shortened to the pause's end while it lasts.
  int Within(int timeout, steady_clock::time_point now) const {
    if (now >= until_) return timeout;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until_ - now).count();
    return timeout < 0 ? static_cast<int>(left) : std::min(timeout, static_cast<int>(left));
  }

 private:
  steady_clock::time_point until_;  // the clock's epoch: not paused
};

// A reply that must not hold up the others: what the socket takes at once goes out.
void ReplyAtOnce(int fd, const Reply& reply) {
  const std::string line = EncodeReply(reply);
  posix::Send(fd, line.data(), line.size(), MSG_DONTWAIT);
}

struct Connection {
  enum class Stage { Reading, Waiting, Writing };

  posix::UniqueFd fd;
  Stage stage = Stage::Reading;
  LineAssembler request{kMaxRequestBytes};
  std::optional<Request> read;  // a read that waits for its turn at the dialog
  std::string reply;
  std::size_t sent = 0;  // of the reply
  steady_clock::time_point deadline;

  std::string_view unsent() const { return std::string_view(reply).substr(sent); }
};

// Every open connection, keyed by the order they came in: the first one still reading is the
// one that has waited longest for its request.
//
// A read's reply holds the whole text (a full log pane's is megabytes), and senders may read
// slowly or not at all: reads therefore go to the dialog one at a time, in the order they came,
// and only while the replies that wait to be written hold less than `read_reply_bytes`. The
// replies held at once thus stay within that bound and one read's reply, however many senders
// read; a sender that does not take its reply holds its share until the send timeout at most.
class Connections {
 public:
  Connections(const ServerLimits& limits, DialogQueue& queue, RecordMarks& marks,
              Expectations& expectations)
      : limits_(limits), queue_(queue), marks_(marks), expectations_(expectations) {}
  ~Connections() {
    // The console is closing: whoever still waits hears so, unless its reply is there.
    TakeReplies();
    for (auto& [ticket, connection] : table_) {
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
    if (table_.size() >= static_cast<std::size_t>(limits_.max_connections) && !MakeRoom()) {
      ReplyAtOnce(fd.get(), Reply::Failed(kConsoleBusy));
      return;
    }
    Connection& connection = table_[next_ticket_++];
    connection.fd = std::move(fd);
    connection.deadline = steady_clock::now() + limits_.receive_timeout;
  }

  // What to wait for: one entry per connection, with its ticket. One that waits for its reply is
  // watched for its sender hanging up.
  void Watch(std::vector<pollfd>& watched, std::vector<Ticket>& tickets) const {
    for (const auto& [ticket, connection] : table_) {
      short events = 0;
      if (connection.stage == Connection::Stage::Reading) events = POLLIN;
      if (connection.stage == Connection::Stage::Writing) events = POLLOUT;
      watched.push_back({connection.fd.get(), events, 0});
      tickets.push_back(ticket);
    }
  }

  // Milliseconds until the earliest deadline, for poll; -1 for none.
  int MillisecondsLeft() const {
    std::optional<steady_clock::time_point> earliest = expectations_.EarliestDeadline();
    for (const auto& [ticket, connection] : table_) {
      if (connection.stage == Connection::Stage::Waiting) continue;
      if (!earliest || connection.deadline < *earliest) earliest = connection.deadline;
    }
    if (!earliest) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*earliest - steady_clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, INT_MAX));
  }

  void Ready(Ticket ticket) {
    const auto found = table_.find(ticket);
    if (found == table_.end()) return;
    switch (found->second.stage) {
      case Connection::Stage::Reading:
        Receive(ticket, found->second);
        return;
      case Connection::Stage::Writing:
        Write(ticket, found->second);
        return;
      case Connection::Stage::Waiting:
        // The sender hung up: its expect waits no longer, and a reply would find nobody.
        expectations_.Forget(ticket);
        Close(found);
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
    while (!read_at_dialog_ && reply_bytes_ < limits_.read_reply_bytes && !reads_waiting_.empty()) {
      const Ticket ticket = reads_waiting_.front();
      reads_waiting_.pop_front();
      const auto found = table_.find(ticket);
      if (found == table_.end()) continue;  // its sender went away meanwhile
      queue_.Submit(ticket, std::move(*found->second.read));
      found->second.read.reset();
      read_at_dialog_ = ticket;
    }
  }

  void ExpireDeadlines() {
    const auto now = steady_clock::now();
    for (const auto& [ticket, reply] : expectations_.Expire(now)) Finish(ticket, reply);
    std::vector<Ticket> expired;
    for (const auto& [ticket, connection] : table_) {
      if (connection.stage != Connection::Stage::Waiting && connection.deadline <= now) {
        expired.push_back(ticket);
      }
    }
    for (const Ticket ticket : expired) {
      Connection& connection = table_.at(ticket);
      if (connection.stage == Connection::Stage::Reading) {
        Finish(ticket, Reply::Failed("no complete request arrived in time"));
      } else {
        Close(table_.find(ticket));  // the sender does not take its reply
      }
    }
  }

 private:
  // The connection that has waited longest for its request goes, as busy; false when none is
  // still reading.
  bool MakeRoom() {
    const auto oldest = std::find_if(table_.begin(), table_.end(), [](const auto& entry) {
      return entry.second.stage == Connection::Stage::Reading;
    });
    if (oldest == table_.end()) return false;
    ReplyAtOnce(oldest->second.fd.get(), Reply::Failed(kConsoleBusy));
    Close(oldest);
    return true;
  }

  void Receive(Ticket ticket, Connection& connection) {
    char chunk[16384];
    const auto received = posix::Receive(connection.fd.get(), chunk, sizeof chunk, MSG_DONTWAIT);
    if (!received.ok()) {
      if (received.error != EAGAIN) Close(table_.find(ticket));
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
    Request request = std::get<Request>(std::move(decoded));
    std::optional<Reply> at_once;
    if (std::holds_alternative<ExpectRequest>(request.action)) {
      at_once = expectations_.Begin(ticket, request);
    } else if (std::holds_alternative<MarkRequest>(request.action)) {
      at_once = marks_.Begin(ticket, request);
    } else if (std::holds_alternative<ReadRequest>(request.action)) {
      connection.read = std::move(request);
      reads_waiting_.push_back(ticket);
    } else {
      queue_.Submit(ticket, std::move(request));
    }
    if (at_once) {
      Finish(ticket, std::move(*at_once));
    } else {
      connection.stage = Connection::Stage::Waiting;
    }
  }

  void Finish(Ticket ticket, const Reply& reply) { Finish(ticket, EncodeReply(reply)); }

  // The reply line goes out; the connection closes once it has.
  void Finish(Ticket ticket, std::string line) {
    if (read_at_dialog_ == ticket) read_at_dialog_.reset();
    const auto found = table_.find(ticket);
    if (found == table_.end()) return;
    Connection& connection = found->second;
    connection.stage = Connection::Stage::Writing;
    reply_bytes_ = reply_bytes_ - connection.reply.size() + line.size();
    connection.reply = std::move(line);
    connection.sent = 0;
    connection.deadline = steady_clock::now() + limits_.send_timeout;
    Write(ticket, connection);
  }

  void Write(Ticket ticket, Connection& connection) {
    const std::string_view unsent = connection.unsent();
    const auto sent = posix::Send(connection.fd.get(), unsent.data(), unsent.size(), MSG_DONTWAIT);
    if (sent.ok()) connection.sent += static_cast<std::size_t>(sent.value);
    if ((sent.ok() && connection.unsent().empty()) || (!sent.ok() && sent.error != EAGAIN)) {
      Close(table_.find(ticket));
    }
  }

  // The connection goes, and with it the room its reply held.
  void Close(std::map<Ticket, Connection>::iterator connection) {
    reply_bytes_ -= connection->second.reply.size();
    table_.erase(connection);
  }

  const ServerLimits& limits_;
  DialogQueue& queue_;
  RecordMarks& marks_;
  Expectations& expectations_;
  std::map<Ticket, Connection> table_;
  Ticket next_ticket_ = 0;
  std::deque<Ticket> reads_waiting_;      // in the order they came
  std::optional<Ticket> read_at_dialog_;  // the read handed to the dialog, until its reply is in
  std::size_t reply_bytes_ = 0;           // what the connections' replies hold
};

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
  Connections connections(limits_, queue_, marks_, expectations_);
  Pause accepting, news;
  std::vector<pollfd> watched;
  std::vector<Ticket> tickets;
  for (;;) {
    const auto now = steady_clock::now();
    watched = {{stop_.fd(), POLLIN, 0},
               {accepting.Watched(socket_.listener(), now), POLLIN, 0},
               {queue_.replies_ready_fd(), POLLIN, 0},
               {marks_.replies_ready_fd(), POLLIN, 0},
               {news.Watched(expectations_.news_fd(), now), POLLIN, 0}};
    tickets.clear();
    connections.Watch(watched, tickets);
    const int timeout =
        news.Within(accepting.Within(connections.MillisecondsLeft(), now), now);
    if (!posix::Poll(watched.data(), watched.size(), timeout).ok()) continue;
    if (watched[0].revents != 0) return;
    if (std::any_of(watched.begin() + 2, watched.begin() + kFixedWatches,
                    [](const pollfd& watch) { return watch.revents != 0; })) {
      connections.TakeReplies();
    }
    if (watched[kFixedWatches - 1].revents != 0) news.For(kNewsGathering);
    for (std::size_t i = 0; i < tickets.size(); ++i) {
      if (watched[i + kFixedWatches].revents != 0) connections.Ready(tickets[i]);
    }
    if (watched[1].revents != 0) {
      for (;;) {
        const auto accepted = posix::Accept(socket_.listener(), SOCK_NONBLOCK);
        if (accepted.ok()) {
          connections.Admit(posix::UniqueFd(static_cast<int>(accepted.value)));
          continue;
        }
        if (accepted.error == ECONNABORTED) continue;
        // Out of descriptors or memory: leave the listener alone for a moment.
        if (accepted.error != EAGAIN) accepting.For(kAcceptPause);
        break;
      }
    }
    connections.ExpireDeadlines();
    connections.HandInReads();
  }
}

}  // namespace sender
