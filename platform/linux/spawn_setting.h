// How the console starts another program: with none of its own signal state or descriptors. The
// console blocks its stop signals and ignores others, and a spawned process would inherit both,
// so that a program it starts (or a restart command it runs) could neither be stopped nor
// interrupted the usual way; and a descriptor of the console's held by another process would
// keep a port, a socket or a file of the console's open after the console has let go of it.
#pragma once

#include <spawn.h>

namespace platform::posix {

// posix_spawn's attributes and file actions, destroyed however the start ends.
struct SpawnSetting {
  SpawnSetting();
  ~SpawnSetting();
  SpawnSetting(const SpawnSetting&) = delete;
  SpawnSetting& operator=(const SpawnSetting&) = delete;

  // Every signal unblocked and at its default in the new process, with `more_flags` (such as
  // POSIX_SPAWN_SETSID) besides; 0 or the error number.
  int StartSignalsClean(short more_flags = 0);
  // Standard input from /dev/null, standard output and error shared, every other descriptor
  // closed; 0 or the error number.
  int StartDescriptorsClean();

  posix_spawnattr_t attributes;
  posix_spawn_file_actions_t actions;
};

}  // namespace platform::posix
