// A command this process runs in the background and does not let run for ever, such as the one
// a board's restart asks the init system with. The caller goes on while it runs; a thread of its
// own waits for it, kills it (with whatever it started in its process group) once it has had its
// time, reaps it and tells how it ended. The command starts with none of this process's signal
// state or descriptors besides standard output and error, and it never outlives this object: a
// command still running when the object goes is killed and reaped then.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/posix_calls.h"

namespace platform::posix {

class BoundedCommand {
 public:
  // Told once for each run that started, on the watching thread: true when the command exited
  // with status 0; false when it exited otherwise, a signal ended it, or it was killed because
  // its time was up or the object went.
  using Ended = std::function<void(bool succeeded)>;

  // `command`: the program (searched on PATH) and its arguments.
  BoundedCommand(std::vector<std::string> command, std::chrono::milliseconds bound, Ended ended);
  ~BoundedCommand();
  BoundedCommand(const BoundedCommand&) = delete;
  BoundedCommand& operator=(const BoundedCommand&) = delete;

  // Starts a run unless one is still going; false (and nothing told later) when one is going or
  // the command cannot be started.
  bool Start();

 private:
  void Watch(pid_t pid, UniqueFd process);

  const std::vector<std::string> command_;
  const std::chrono::milliseconds bound_;
  const Ended ended_;
  std::mutex mutex_;
  bool running_ = false;  // from Start until the run has ended and been reaped
  WakeFd stop_;           // the object goes: the running command is to be killed now
  std::thread watcher_;
};

}  // namespace platform::posix
