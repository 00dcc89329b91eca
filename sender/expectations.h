// The expects that outside senders wait on, kept on the server's thread. Each one opens an inbox
// in the pane watch (sender/pane_watch.h) and is armed by a task on the user-interface thread,
// where the console takes it: there the whole pane is read for "whole", and "new" begins. The
// news is matched here as it comes, and the expect is answered with its match, with why its
// pattern cannot be matched, or, once its time is up, with the pane's last lines.
//
// The watch listens among the session's observers from the first expect until the server stops.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "platform/terminal/message_loop.h"
#include "platform/terminal/win_types.h"
#include "sender/pane_watch.h"
#include "sender/protocol.h"
#include "sender/reply_channel.h"
#include "sender/text_pattern.h"

namespace sender {

// The last lines of a text that a timed-out expect answers with.
inline constexpr std::size_t kLastLines = 10;

class Expectations {
 public:
  using Clock = std::chrono::steady_clock;

  // `pane_id` names the dialog's log pane (0: the dialog has none); at most `capacity` expects
  // wait at once.
  Expectations(HWND dialog, int pane_id, std::shared_ptr<platform::MessageLoop::Core> loop,
               std::size_t capacity);
  ~Expectations();
  Expectations(const Expectations&) = delete;
  Expectations& operator=(const Expectations&) = delete;

  // The expect (validated) waits from now until its timeout; a reply at once when it cannot.
  std::optional<Reply> Begin(Ticket ticket, const Request& request);
  // Its sender went away.
  void Forget(Ticket ticket);

  // -1 until the first expect.
  int news_fd() const;
  // Matches what arrived; the replies of the expects that are done.
  Replies Advance();
  // The replies of the expects whose time is up at `now`.
  Replies Expire(Clock::time_point now);
  std::optional<Clock::time_point> EarliestDeadline() const;

 private:
  struct Waiter {
    Clock::time_point deadline;
    ExpectScope scope;
    TextPattern pattern;
    GrowingTextMatch pane;  // for the pane's scopes
    std::u16string last;    // the pane's last text, or the last box's
  };
  static constexpr std::size_t kMostLastUnits = 8 * 1024;

  bool Watching();
  std::optional<Reply> Match(Waiter& waiter, PaneWatch::News news);

  const HWND dialog_;
  const int pane_id_;
  const std::shared_ptr<platform::MessageLoop::Core> loop_;
  const std::size_t capacity_;
  std::shared_ptr<PaneWatch> watch_;  // shared with the arming tasks, which may outlive this
  bool installed_ = false;
  std::map<Ticket, Waiter> waiters_;
};

}  // namespace sender
