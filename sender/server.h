// The console's local socket for outside senders (the socket file: socket_file.h; what it keeps
// of each connection: connection_table.h). Each connection carries one request (protocol.h); one
// thread serves every connection at once, waiting on all of them together, so that connections
// that stay silent cannot keep others out: each has its own deadline, and when the connections
// are all taken the one that has waited longest for its request makes room for the newcomer.
// Only a peer of the console's own user or root is served. The request is carried out on the
// user-interface thread (dialog_queue.h) and the reply goes back on the same connection; reads
// take their turn there one at a time, and only while the replies not yet written leave room, so
// that the memory that senders reading a large text at once hold stays bounded. Expects wait on
// this thread (expectations.h) and marks on a thread of their own (record_marks.h); a sender that
// hangs up while it waits leaves nothing behind. A request that is garbage, too long, cut short
// or silent gets an error reply and changes nothing; the console goes on either way.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/linux/posix_calls.h"
#include "platform/terminal/message_loop.h"
#include "platform/terminal/win_types.h"
#include "sender/dialog_queue.h"
#include "sender/expectations.h"
#include "sender/record_marks.h"
#include "sender/server_limits.h"
#include "sender/socket_file.h"

namespace sender {

// What the outside senders may wait on besides the dialog.
struct WaitSources {
  int log_pane_id = 0;     // the pane expects watch; 0: none
  MarkRecord mark_record;  // the session record marks ask; null: none
};

class SenderServer {
 public:
  SenderServer(std::filesystem::path socket_path, HWND dialog,
               std::shared_ptr<platform::MessageLoop::Core> loop, ServerLimits limits = {},
               WaitSources sources = {});
  ~SenderServer();
  SenderServer(const SenderServer&) = delete;
  SenderServer& operator=(const SenderServer&) = delete;

  // Binds and listens. Nothing when it listens; otherwise why not.
  std::optional<std::string> Start();
  // Lets every waiting sender go with its reply or "the console is closing", ends the serving
  // thread and removes the socket file. Safe on any thread, the user-interface thread included,
  // but not from inside a request's own handler.
  void Stop();

 private:
  void Serve();

  const std::filesystem::path socket_path_;
  const ServerLimits limits_;
  DialogQueue queue_;
  RecordMarks marks_;
  Expectations expectations_;  // the serving thread's own while it runs
  SocketFile socket_;
  platform::posix::WakeFd stop_;  // never drained: once raised, it stays raised
  bool stopped_ = false;          // a stopped server does not start again
  std::thread server_thread_;
};

}  // namespace sender
