// Reaping the programs this process starts and never waits for. A started program stays this
// process's child until it ends, and an ended child that nobody waits for stays behind as a
// zombie; orphaning it instead (a double fork) would leave the reaping to an init that may not
// do it, as the minimal init of a container does not. So one thread watches the pidfd of each
// child handed over and waits for it when it ends, leaving every other child to whoever started
// it. The thread starts with the first child and lives until the process ends.
#pragma once

#include <sys/types.h>

#include <map>
#include <mutex>
#include <thread>

#include "platform/linux/posix_calls.h"

namespace platform::posix {

class ChildReaper {
 public:
  // The process's one reaper. Throws std::system_error when its thread cannot start.
  static ChildReaper& Instance();
  ~ChildReaper();
  ChildReaper(const ChildReaper&) = delete;
  ChildReaper& operator=(const ChildReaper&) = delete;

  // From now on the child `pid` is reaped as soon as it ends, or at once when it has ended.
  void Adopt(pid_t pid);

 private:
  ChildReaper();
  void Reap();
  // Waits for the children that have ended; true when one is left that has no pidfd watched.
  bool ReapEnded();

  std::mutex mutex_;
  // A child whose pidfd could not be had is looked at every second instead.
  std::map<pid_t, UniqueFd> children_;
  bool stopping_ = false;
  WakeFd wake_;  // the reaper is to stop, or has a new child to watch
  std::thread thread_;
};

}  // namespace platform::posix
