// A terminal's console reached over OpenSSH from the station computer: the system's ssh forwards
// a local socket, in a fresh private folder of its own, to the console's socket on the terminal,
// so the runner talks to it as to a console on this machine while ssh authenticates both ends
// and encrypts the link; the console itself never listens on the network. ssh runs without
// asking anybody anything (a key or an agent, never a password prompt on the station), in a
// process group of its own tied to the runner (tied_process.h), and the forward counts as up
// only once the console at its far end has answered a harmless request through it: ssh takes
// connections on the local socket before it has reached the terminal.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

#include "plan/stop_request.h"

namespace unit_run {

// Where the console on a terminal listens: the kiosk unit runs it on the sandbox
// /var/lib/quorvane, whose socket serves root and the console's own user only.
inline constexpr char kTerminalConsoleSocket[] = "/var/lib/quorvane/console.sock";

// What ssh is told to reach.
struct SshTarget {
  std::string destination;       // USER@HOST (or a Host of the config), as ssh takes it
  std::filesystem::path config;  // ssh's -F; empty: the user's own configuration
  std::filesystem::path remote_socket = kTerminalConsoleSocket;  // absolute, on the terminal
};

// Why ssh could not forward to `target` as given, or nothing when it can.
std::optional<std::string> SshTargetRefusal(const SshTarget& target);

class SshForward {
 public:
  SshForward() = default;
  SshForward(const SshForward&) = delete;
  SshForward& operator=(const SshForward&) = delete;
  // Ends ssh and removes the folder.
  ~SshForward();

  // Makes the folder, starts ssh and waits until the console answers through the forward, ssh
  // ends, `stop` comes or the wait's bound passes; `error` says which, in one line with ssh's
  // own last word when it ended. Called from the main thread: ssh's tie to the runner is to the
  // thread that starts it.
  bool Start(const SshTarget& target, const plan::StopRequest& stop, std::string& error);
  // Ends ssh (SIGTERM to its group, SIGKILL when it lingers) and removes the folder.
  void End();

  // The forward's local end.
  std::filesystem::path socket() const { return folder_ / "console.sock"; }

 private:
  // ssh's last line on standard error, made printable; empty when it said nothing.
  std::string LastWords() const;

  std::filesystem::path folder_;
  pid_t pid_ = -1;
};

}  // namespace unit_run
