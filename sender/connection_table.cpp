#include "sender/connection_table.h"

#include <algorithm>

namespace sender {

namespace posix = platform::posix;

posix::UniqueFd ConnectionTable::Admit(posix::UniqueFd fd, SteadyTime now) {
  posix::UniqueFd turned_away;
  if (table_.size() >= static_cast<std::size_t>(limits_.max_connections)) {
    const auto oldest = std::find_if(table_.begin(), table_.end(), [](const auto& entry) {
      return entry.second.stage == Connection::Stage::Reading;
    });
    if (oldest == table_.end()) return fd;
    turned_away = std::move(oldest->second.fd);
    Close(oldest->first);
  }
  Connection& connection = table_[next_ticket_++];
  connection.fd = std::move(fd);
  connection.deadline = now + limits_.receive_timeout;
  return turned_away;
}

Connection* ConnectionTable::Find(Ticket ticket) {
  const auto found = table_.find(ticket);
  return found != table_.end() ? &found->second : nullptr;
}

void ConnectionTable::Watch(posix::DescriptorWait& wait,
                            std::vector<std::pair<Ticket, std::size_t>>& places) const {
  for (const auto& [ticket, connection] : table_) {
    short events = 0;
    if (connection.stage == Connection::Stage::Reading) events = POLLIN;
    if (connection.stage == Connection::Stage::Writing) events = POLLOUT;
    places.emplace_back(ticket, wait.Watch(connection.fd.get(), events));
  }
}

std::optional<SteadyTime> ConnectionTable::EarliestDeadline() const {
  std::optional<SteadyTime> earliest;
  for (const auto& [ticket, connection] : table_) {
    if (connection.stage == Connection::Stage::Waiting) continue;
    if (!earliest || connection.deadline < *earliest) earliest = connection.deadline;
  }
  return earliest;
}

std::vector<Ticket> ConnectionTable::Expired(SteadyTime now) const {
  std::vector<Ticket> expired;
  for (const auto& [ticket, connection] : table_) {
    if (connection.stage != Connection::Stage::Waiting && connection.deadline <= now) {
      expired.push_back(ticket);
    }
  }
  return expired;
}

void ConnectionTable::Wait(Ticket ticket) {
  if (Connection* connection = Find(ticket)) connection->stage = Connection::Stage::Waiting;
}

void ConnectionTable::QueueRead(Ticket ticket, Request read) {
  Connection* connection = Find(ticket);
  if (connection == nullptr) return;
  connection->read = std::move(read);
  connection->stage = Connection::Stage::Waiting;
  reads_waiting_.push_back(ticket);
}

std::optional<std::pair<Ticket, Request>> ConnectionTable::NextRead() {
  while (!read_at_dialog_ && reply_bytes_ < limits_.read_reply_bytes && !reads_waiting_.empty()) {
    const Ticket ticket = reads_waiting_.front();
    reads_waiting_.pop_front();
    Connection* connection = Find(ticket);
    if (connection == nullptr) continue;  // its sender went away meanwhile
    read_at_dialog_ = ticket;
    return std::pair(ticket, *std::exchange(connection->read, std::nullopt));
  }
  return std::nullopt;
}

Connection* ConnectionTable::Answer(Ticket ticket, std::string line, SteadyTime now) {
  if (read_at_dialog_ == ticket) read_at_dialog_.reset();
  Connection* connection = Find(ticket);
  if (connection == nullptr) return nullptr;
  connection->stage = Connection::Stage::Writing;
  reply_bytes_ = reply_bytes_ - connection->reply.size() + line.size();
  connection->reply = std::move(line);
  connection->sent = 0;
  connection->deadline = now + limits_.send_timeout;
  return connection;
}

void ConnectionTable::Close(Ticket ticket) {
  const auto found = table_.find(ticket);
  if (found == table_.end()) return;
  reply_bytes_ -= found->second.reply.size();
  table_.erase(found);
}

}  // namespace sender
