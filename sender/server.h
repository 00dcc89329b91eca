// The console's local socket for outside senders. Only the console's own user can open it: the
// socket (mode 0600) lies in a folder that must be 0700 and owned by that user. Each connection
// carries one request (protocol.h), read on a thread of its own within a deadline; the request
// is carried out on the user-interface thread, and the reply goes back on the same connection.
// A request that is garbage, too long, cut short or silent gets an error reply and changes
// nothing; the console goes on either way.
//
// Without "sync" a request is queued on the user-interface loop and the reply says only that:
// a refusal that only the dialog can tell (no such control, a message box is open) is then
// written on the debug port. With "sync" the reply comes after the handler has run and carries
// the refusal itself.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/terminal/message_loop.h"
#include "platform/terminal/win_types.h"
#include "sender/protocol.h"
#include "sender/socket_io.h"
#include "sender/ui_handoff.h"

namespace sender {

struct ServerLimits {
  int max_connections = 16;                         // served at once; more get a busy reply
  std::chrono::milliseconds receive_timeout{5000};  // for a whole request to arrive
  std::chrono::milliseconds send_timeout{5000};     // for the reply to leave
};

class SenderServer {
 public:
  SenderServer(std::filesystem::path socket_path, HWND dialog,
               std::shared_ptr<platform::MessageLoop::Core> loop, ServerLimits limits = {});
  ~SenderServer();
  SenderServer(const SenderServer&) = delete;
  SenderServer& operator=(const SenderServer&) = delete;

  // Binds and listens. Nothing when it listens; otherwise why not. A socket file that nobody
  // answers on is a leftover and is replaced; one that a console answers on is left alone.
  std::optional<std::string> Start();
  // Closes the socket, lets every waiting sender go with "the console is closing", joins every
  // thread and removes the socket file. Safe on any thread, the user-interface thread included,
  // but not from inside a request's own handler.
  void Stop();

 private:
  void AcceptConnections();
  void Serve(UniqueFd connection);
  Reply Answer(std::string_view line);

  const std::filesystem::path socket_path_;
  const HWND dialog_;
  const ServerLimits limits_;
  UiHandOff hand_off_;
  StopSignal stop_;
  UniqueFd listener_;
  dev_t socket_device_ = 0;  // which file we bound, so that Stop removes only our own
  ino_t socket_inode_ = 0;
  bool stopped_ = false;  // a stopped server does not start again
  std::thread acceptor_;
};

}  // namespace sender
