// The server's bookkeeping of its connections: who makes room, when each runs out of time, and
// when a read's turn at the dialog comes. Times are given, never waited for.
#include "sender/connection_table.h"

#include <gtest/gtest.h>
#include <sys/eventfd.h>

#include <vector>

namespace sender {
namespace {

namespace posix = platform::posix;
using namespace std::chrono_literals;
using Stage = Connection::Stage;

const SteadyTime kStart = SteadyTime{} + 1h;

posix::UniqueFd SomeDescriptor() { return posix::UniqueFd(::eventfd(0, EFD_CLOEXEC)); }

// Puts the connection `ticket` into `stage`.
void Move(ConnectionTable& table, Ticket ticket, Stage stage, SteadyTime now) {
  if (stage == Stage::Waiting) table.Wait(ticket);
  if (stage == Stage::Writing) table.Answer(ticket, "ok\n", now);
}

TEST(ConnectionTableTest, WhenEveryPlaceIsTakenTheOldestStillReadingMakesRoom) {
  const struct {
    const char* what;
    Stage first, second;
    int turned_away;  // 0: the first, 1: the second, 2: the newcomer
  } cases[] = {
      {"both reading", Stage::Reading, Stage::Reading, 0},
      {"the first waiting for its reply", Stage::Waiting, Stage::Reading, 1},
      {"none reading", Stage::Writing, Stage::Waiting, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ConnectionTable table(ServerLimits{.max_connections = 2});
    std::vector<int> fds;
    const auto admit = [&] {
      posix::UniqueFd fd = SomeDescriptor();
      fds.push_back(fd.get());
      return table.Admit(std::move(fd), kStart);
    };
    EXPECT_FALSE(admit());
    EXPECT_FALSE(admit());
    Move(table, 0, c.first, kStart);
    Move(table, 1, c.second, kStart);
    const posix::UniqueFd turned_away = admit();
    EXPECT_EQ(turned_away.get(), fds[c.turned_away]);
    EXPECT_EQ(table.connections().size(), 2u);
    for (const auto& [ticket, connection] : table.connections()) {
      EXPECT_NE(connection.fd.get(), fds[c.turned_away]);
    }
  }
}

TEST(ConnectionTableTest, AConnectionRunsOutOfTimeByTheDeadlineOfItsStage) {
  const ServerLimits limits{.receive_timeout = 5s, .send_timeout = 2s};
  const struct {
    Stage stage;
    std::chrono::milliseconds deadline;  // after the start; none for 0
  } cases[] = {
      {Stage::Reading, 5s},  // from when it came
      {Stage::Waiting, 0s},  // the request is carried out: no deadline
      {Stage::Writing, 3s},  // from when its reply came, a second in
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.stage));
    ConnectionTable table(limits);
    table.Admit(SomeDescriptor(), kStart);
    Move(table, 0, c.stage, kStart + 1s);
    if (c.deadline == 0s) {
      EXPECT_EQ(table.EarliestDeadline(), std::nullopt);
      EXPECT_TRUE(table.Expired(kStart + 1h).empty());
      continue;
    }
    EXPECT_EQ(table.EarliestDeadline(), kStart + c.deadline);
    EXPECT_TRUE(table.Expired(kStart + c.deadline - 1ms).empty());
    EXPECT_EQ(table.Expired(kStart + c.deadline), std::vector<Ticket>{0});
  }
}

TEST(ConnectionTableTest, ReadsGoToTheDialogOneAtATimeInOrderWhileRepliesLeaveRoom) {
  ConnectionTable table(ServerLimits{.read_reply_bytes = 10});
  for (Ticket ticket = 0; ticket < 3; ++ticket) {
    table.Admit(SomeDescriptor(), kStart);
    table.QueueRead(ticket, Request{ReadRequest{static_cast<std::int64_t>(ticket)}});
  }
  const auto next = [&]() -> std::optional<Ticket> {
    const auto read = table.NextRead();
    if (!read) return std::nullopt;
    EXPECT_EQ(read->second, Request{ReadRequest{static_cast<std::int64_t>(read->first)}});
    return read->first;
  };
  EXPECT_EQ(next(), 0u);
  EXPECT_EQ(next(), std::nullopt) << "one read at the dialog at a time";
  table.Answer(0, std::string(20, 'x'), kStart);
  EXPECT_EQ(next(), std::nullopt) << "the first reply holds more than the room";
  table.Close(1);
  table.Close(0);
  EXPECT_EQ(next(), 2u) << "the room is back, and the read whose sender left is skipped";
  EXPECT_EQ(table.Find(2)->stage, Stage::Waiting);
}

}  // namespace
}  // namespace sender
