#include "platform/linux/spawn_setting.h"

#include <signal.h>

namespace platform::posix {

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
  sigset_t all_signals;
  sigfillset(&all_signals);
  int error = posix_spawnattr_setflags(
      &attributes, static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | more_flags));
  if (error == 0) error = posix_spawnattr_setsigmask(&attributes, &no_signals);
  if (error == 0) error = posix_spawnattr_setsigdefault(&attributes, &all_signals);
  return error;
}

}  // namespace platform::posix
