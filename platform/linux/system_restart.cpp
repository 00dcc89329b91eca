#include "platform/linux/system_restart.h"

#include <sys/reboot.h>
#include <unistd.h>

namespace platform::posix {

bool RebootSystem() {
  ::sync();
  return ::reboot(RB_AUTOBOOT) == 0;
}

}  // namespace platform::posix
