#include "platform/linux/system_restart.h"

#include <spawn.h>
#include <sys/reboot.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/spawn_setting.h"

extern char** environ;

namespace platform::posix {

bool RebootSystem() {
  ::sync();
  return ::reboot(RB_AUTOBOOT) == 0;
}

bool RunToCompletion(const std::vector<std::string>& command) {
  if (command.empty()) return false;
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  SpawnSetting setting;
  pid_t pid = 0;
  if (setting.StartSignalsClean() != 0 ||
      ::posix_spawnp(&pid, argv[0], nullptr, &setting.attributes, argv.data(), environ) != 0) {
    return false;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace platform::posix
