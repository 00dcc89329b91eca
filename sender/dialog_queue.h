// The outside senders' side of the user-interface thread. The server hands each request in and
// hears the reply back later, without waiting: its own thread serves every connection at once.
//
// A request is looked at first, in a posted task of its own: a read is answered there, input
// that the dialog would refuse now (a message box is open, no such edit control) is refused, and
// the rest is taken into a queue of at most `capacity` requests, or refused as busy. A request
// without "sync" is answered once taken, so that a sender's success always means taken.
//
// Taken requests are carried out one at a time in the order taken, each in a posted task of its
// own that is posted only when the one before has finished. Whatever else is posted meanwhile (a
// close from a signal or from the window's close button) therefore waits for one sender's
// handler at most. No person's input runs inside another request's handler (in the loop of a
// message box that it opened): it waits until that handler has returned, while messages go on.
// WM_CLOSE from a sender goes to the front of the queue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/terminal/message_loop.h"
#include "platform/terminal/win_types.h"
#include "sender/protocol.h"
#include "sender/reply_channel.h"

namespace sender {

inline constexpr char kConsoleBusy[] = "the console is busy with other senders; try again";

class DialogQueue {
 public:
  using Ticket = sender::Ticket;

  DialogQueue(HWND dialog, std::shared_ptr<platform::MessageLoop::Core> loop, std::size_t capacity);
  ~DialogQueue();
  DialogQueue(const DialogQueue&) = delete;
  DialogQueue& operator=(const DialogQueue&) = delete;

  // Any thread: hands `request` (validated) to the loop. Its reply comes through TakeReplies,
  // "the console is closing" when the loop ends first, or none at all after LetGo.
  void Submit(Ticket ticket, Request request);
  // Readable while replies wait to be taken.
  int replies_ready_fd() const;
  ReplyLines TakeReplies();
  // From now on nothing handed in runs and no further reply comes; waits until the task at work
  // on the loop (on another thread) has finished, so that its reply is there to be taken. Not
  // from inside a request's own handler.
  void LetGo();

  struct Shared;  // with the tasks on the loop, which may outlive the queue

 private:
  std::shared_ptr<platform::MessageLoop::Core> loop_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace sender
