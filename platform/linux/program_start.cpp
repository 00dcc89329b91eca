#include "platform/linux/program_start.h"

#include <spawn.h>

#include <string>

#include "platform/linux/spawn_setting.h"

extern char** environ;

namespace platform::posix {

namespace {

CallResult Failed(const char* call, int error) { return {0, error, call}; }

}  // namespace

CallResult StartProgram(const std::filesystem::path& program) {
  const std::string& path = program.native();
  const std::string folder = program.parent_path().native();
  SpawnSetting setting;
  int error = setting.StartSignalsClean(POSIX_SPAWN_SETSID);
  if (error != 0) return Failed("posix_spawnattr", error);

  error = setting.StartDescriptorsClean();
  if (error == 0) error = posix_spawn_file_actions_addchdir_np(&setting.actions, folder.c_str());
  if (error != 0) return Failed("posix_spawn_file_actions", error);

  char* const arguments[] = {const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = 0;
  // The system's spawn reports a failed exec as its own error, and has waited for that child.
  error =
      posix_spawn(&pid, path.c_str(), &setting.actions, &setting.attributes, arguments, environ);
  if (error != 0) return Failed("exec", error);
  return {pid, 0, "exec"};
}

}  // namespace platform::posix
