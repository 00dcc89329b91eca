// What the console's server keeps of its open connections: each one's stage (reading its
// request, waiting for its reply, writing it) and its deadline there, which connection makes
// room when every place is taken, which have run out of time, and when a read may go to the
// dialog. It neither reads nor writes a socket: the server does, and tells the table.
//
// Connections are keyed by tickets in the order they came in, so the first one still reading
// is the one that has waited longest for its request, and it makes room for a newcomer.
//
// A read's reply holds the whole text (a full log pane's is megabytes), and senders may read
// slowly or not at all: reads therefore go to the dialog one at a time, in the order they came,
// and only while the replies that wait to be written hold less than `read_reply_bytes`. The
// replies held at once thus stay within that bound and one read's reply, however many senders
// read; a sender that does not take its reply holds its share until the send timeout at most.
#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/linux/descriptor_wait.h"
#include "platform/linux/posix_calls.h"
#include "sender/protocol.h"
#include "sender/reply_channel.h"
#include "sender/server_limits.h"
#include "sender/socket_io.h"

namespace sender {

using SteadyTime = std::chrono::steady_clock::time_point;

struct Connection {
  enum class Stage { Reading, Waiting, Writing };

  platform::posix::UniqueFd fd;
  Stage stage = Stage::Reading;
  LineAssembler request{kMaxRequestBytes};
  std::optional<Request> read;  // a read that waits for its turn at the dialog
  std::string reply;
  std::size_t sent = 0;  // of the reply
  SteadyTime deadline;   // for the request to arrive, or the reply to leave

  std::string_view unsent() const { return std::string_view(reply).substr(sent); }
};

class ConnectionTable {
 public:
  explicit ConnectionTable(ServerLimits limits) : limits_(limits) {}

  // Takes a newcomer in to read its request by the receive timeout. When every place is taken,
  // the connection that has waited longest for its request gives its place up; the one handed
  // back (that one, or the newcomer itself when none is still reading) is to hear that the
  // console is busy. Hands back nothing when there was room.
  platform::posix::UniqueFd Admit(platform::posix::UniqueFd fd, SteadyTime now);

  // Null when the connection has gone.
  Connection* Find(Ticket ticket);
  const std::map<Ticket, Connection>& connections() const { return table_; }

  // Watches every connection for what its stage waits for: its request, room for its reply,
  // or, while it waits for its reply, its sender hanging up. Each ticket comes with its place.
  void Watch(platform::posix::DescriptorWait& wait,
             std::vector<std::pair<Ticket, std::size_t>>& places) const;
  // The earliest deadline of a connection that reads or writes; none when none does.
  std::optional<SteadyTime> EarliestDeadline() const;
  // The connections whose deadline has come by `now`.
  std::vector<Ticket> Expired(SteadyTime now) const;

  // The request is being carried out; the connection waits for its reply without a deadline.
  void Wait(Ticket ticket);
  // The read waits for its turn at the dialog.
  void QueueRead(Ticket ticket, Request read);
  // The next read whose turn it is: none while one is at the dialog or the replies held leave no
  // room.
  std::optional<std::pair<Ticket, Request>> NextRead();
  // The connection's reply line is to be written by the send timeout.
  Connection* Answer(Ticket ticket, std::string line, SteadyTime now);
  // The connection goes, and with it the room its reply held.
  void Close(Ticket ticket);

 private:
  const ServerLimits limits_;
  std::map<Ticket, Connection> table_;
  Ticket next_ticket_ = 0;
  std::deque<Ticket> reads_waiting_;      // in the order they came
  std::optional<Ticket> read_at_dialog_;  // the read handed to the dialog, until its reply is in
  std::size_t reply_bytes_ = 0;           // what the connections' replies hold
};

}  // namespace sender
