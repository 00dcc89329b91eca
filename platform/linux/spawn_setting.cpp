#include "platform/linux/spawn_setting.h"

#include <fcntl.h>
#include <signal.h>

#include <cstring>

namespace platform::posix {

namespace {

// Every signal number there is. sigfillset leaves out the two real-time signals the C library
// keeps for itself (32 and 33), and its spawn sets those to ignored in the new process unless the
// set of signals to default holds them, which no call that builds a set will add: so the set is
// made by hand, every bit of it.
sigset_t EverySignal() {
  sigset_t every;
  std::memset(&every, 0xff, sizeof every);
  return every;
}

}  // namespace

SpawnSetting::SpawnSetting() {
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_init(&actions);
}

SpawnSetting::~SpawnSetting() {
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
}

int SpawnSetting::StartSignalsClean(short more_flags) {
  sigset_t no_signals;
  sigemptyset(&no_signals);
  const sigset_t all_signals = EverySignal();
  int error = posix_spawnattr_setflags(
      &attributes, static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | more_flags));
  if (error == 0) error = posix_spawnattr_setsigmask(&attributes, &no_signals);
  if (error == 0) error = posix_spawnattr_setsigdefault(&attributes, &all_signals);
  return error;
}

int SpawnSetting::StartDescriptorsClean() {
  int error = posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (error == 0) error = posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  return error;
}

}  // namespace platform::posix
