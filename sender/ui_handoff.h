// Hands work from a connection thread to the user-interface loop. It differs from
// MessageLoop::Core::Send in one way: a thread waiting for its work can be let go. The server
// may be stopped on the user-interface thread itself, which then never runs the work that its
// connection threads wait for; letting them go keeps that stop from waiting forever. Work that
// was let go never runs, so a sender is never told "closing" about work that then happens.
#pragma once

#include <functional>
#include <memory>

#include "platform/terminal/message_loop.h"

namespace sender {

class UiHandOff {
 public:
  explicit UiHandOff(std::shared_ptr<platform::MessageLoop::Core> loop);

  enum class Outcome {
    Ran,        // the work has run on the loop's thread
    LoopEnded,  // the loop ended first; the work never ran
    LetGo,      // LetGo() came first; the work never runs
  };
  // From any thread but the loop's: runs `work` on the loop and waits until it has run. Work that
  // has started is always waited for.
  Outcome RunAndWait(std::function<void()> work);
  // Queues `work` behind earlier posted work without waiting. False once the loop has ended.
  bool Queue(std::function<void()> work);
  // Lets every waiting and every later RunAndWait go without its work.
  void LetGo();

  struct Gate;  // shared with queued work, which may outlive the hand-off

 private:
  std::shared_ptr<platform::MessageLoop::Core> loop_;
  std::shared_ptr<Gate> gate_;
};

}  // namespace sender
