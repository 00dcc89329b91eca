#include "sender/peer_check.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "platform/linux/socket_calls.h"
#include "sender/socket_io.h"
#include "testing/test_console.h"

namespace {

namespace posix = platform::posix;
using sender_testing::TestConsole;

constexpr uid_t kNobody = 65534;

// Runs `work` in a child process that has become user `uid`; what it returns comes back.
std::string RunAs(uid_t uid, const std::function<std::string()>& work) {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return "socketpair failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ends[0]);
    std::string result = "cannot become user " + std::to_string(uid);
    if (::setgid(uid) == 0 && ::setuid(uid) == 0) result = work();
    sender::WriteAll(ends[1], result, std::chrono::steady_clock::now() + std::chrono::seconds(20));
    ::_exit(0);
  }
  ::close(ends[1]);
  std::string result;
  char chunk[4096];
  ssize_t got;
  while ((got = ::read(ends[0], chunk, sizeof chunk)) > 0) result.append(chunk, got);
  ::close(ends[0]);
  ::waitpid(child, nullptr, 0);
  return result;
}

TEST(PeerCheckTest, OnlyTheOwnUserAndRootAreTrusted) {
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
  const posix::UniqueFd mine(pair[0]), theirs(pair[1]);
  const uid_t me = ::geteuid();
  // The peer is this process; the seam is the user the check takes for its own.
  const std::string stranger =
      "permission denied: the other end runs as user " + std::to_string(me);
  const struct {
    uid_t own_uid;
    std::optional<std::string> refusal;
  } cases[] = {
      {me, std::nullopt},
      {me + 1, me == 0 ? std::nullopt : std::optional(stranger)},  // root is always trusted
  };
  for (const auto& c : cases) EXPECT_EQ(sender::UntrustedPeer(mine.get(), c.own_uid), c.refusal);
}

class OtherUserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can start a process of another user";
  }
  TestConsole console;
};

TEST_F(OtherUserTest, ConsoleRefusesAnotherUsersProcessEvenWhenTheSocketIsOpenToIt) {
  // As if the socket had been opened to others by mistake.
  ::chmod(console.folder().c_str(), 0711);
  ::chmod(console.socket_path().c_str(), 0666);
  const std::string reply = RunAs(kNobody, [&] {
    const auto address = posix::LocalAddress(console.socket_path().string());
    const posix::UniqueFd connection(static_cast<int>(posix::LocalSocket().value));
    if (!posix::Connect(connection.get(), *address).ok()) return std::string("no connection");
    sender::WriteAll(connection.get(), "{\"verb\":\"read\",\"id\":0}\n",
                     std::chrono::steady_clock::now() + std::chrono::seconds(20));
    return TestConsole::ReadUntilClosed(connection.get());
  });
  EXPECT_EQ(reply, sender::EncodeReply(sender::Reply::Failed(sender::kPermissionDenied)));
}

TEST_F(OtherUserTest, ClientThatCannotReachTheSocketSaysPermissionDenied) {
  const std::string error = RunAs(kNobody, [&] {
    const auto line = std::get<std::string>(sender::EncodeRequest({sender::ReadRequest{0}}));
    const auto result = sender::Exchange(console.socket_path(), line, std::chrono::seconds(5));
    return std::to_string(static_cast<int>(result.status)) + " " + result.reply.error.value_or("");
  });
  EXPECT_EQ(error, std::to_string(static_cast<int>(sender::ExchangeStatus::Failed)) +
                       " permission denied: cannot reach " + console.socket_path().string() +
                       " (Permission denied)");
}

}  // namespace
