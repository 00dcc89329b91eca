// What outside senders' expects wait for, as it happens: the text that reaches the log pane and
// the message boxes, heard among the session's observers. While nobody waits it keeps nothing but
// the last box's text. Each waiter has an inbox that takes nothing until it is armed, on the
// user-interface thread, where "from now on" is well defined; from then on whatever arrives is
// copied into the inbox, within a bound, and a descriptor that the server's thread watches is
// raised. Matching happens there, never on the thread that appended the text.
#pragma once

#include <atomic>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/posix_calls.h"
#include "platform/ports/session_events.h"
#include "sender/reply_channel.h"

namespace sender {

// Appends `more` to `text` and lets its oldest units go past `most`.
void AppendWithin(std::u16string& text, std::u16string_view more, std::size_t most);

class PaneWatch final : public platform::SessionEvents {
 public:
  // What one inbox holds at most; beyond it the oldest text goes.
  static constexpr std::size_t kMostInboxUnits = 1024 * 1024;
  static constexpr std::size_t kMostBoxes = 16;
  static constexpr std::size_t kMostBoxUnits = 64 * 1024;

  enum class Source { kPane, kBoxes };

  struct News {
    std::u16string earlier;  // given when armed: what came before (the pane's last lines, say)
    std::u16string text;     // what reached the pane since the last take
    std::vector<std::u16string> boxes;  // the boxes' texts since the last take, oldest first
  };

  explicit PaneWatch(int pane_id) : pane_id_(pane_id) {}

  // On the server's thread.
  void Open(Ticket ticket, Source source);
  void Close(Ticket ticket);
  // Readable while news waits.
  int news_fd() const { return news_.fd(); }
  // What armed inboxes took since the last call, arming included.
  std::vector<std::pair<Ticket, News>> TakeNews();

  // On the user-interface thread: the inbox takes what arrives from now on; `earlier` and
  // `first` are its first news. An inbox that was closed meanwhile stays closed.
  void Arm(Ticket ticket, std::u16string earlier, std::u16string first);
  std::u16string LastBox() const;

  void SerialBlock(std::string_view, platform::SerialDirection,
                   std::span<const std::byte>) override {}
  void DriverRequest(const platform::DriverRequestEvent&) override {}
  void PaneText(int control_id, platform::PaneChange change, std::u16string_view text) override;
  void MessageBox(std::wstring_view text, std::wstring_view caption, int answer) override;
  void OutsideRequest(std::string_view, std::span<const platform::RequestArgument>) override {}

 private:
  struct Inbox {
    Source source = Source::kPane;
    bool armed = false;
    bool changed = false;
    News news;
  };

  void RaiseNews();  // with mutex_ held, once an inbox has changed

  const int pane_id_;
  std::atomic<int> armed_{0};  // inboxes armed: while none is, pane text costs a comparison
  const platform::posix::WakeFd news_;
  mutable std::mutex mutex_;  // guards what follows
  bool news_raised_ = false;
  std::map<Ticket, Inbox> inboxes_;
  std::u16string last_box_;
};

}  // namespace sender
