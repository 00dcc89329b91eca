#include "platform/ports/sandbox_location.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

std::filesystem::path DefaultSandboxFolder() {
  const std::filesystem::path tail = std::filesystem::path("quorvane") / "sim";
  // The XDG rules ignore relative values.
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') {
    return state / tail;
  }
  const char* home = std::getenv("HOME");
  if (!home || *home != '/') {
    const passwd* user = ::getpwuid(::geteuid());
    home = user ? user->pw_dir : nullptr;
  }
  if (!home || *home != '/') {
    throw NoDefaultSandbox("no home folder to hold the sandbox; name one with --sandbox");
  }
  return std::filesystem::path(home) / ".local" / "state" / tail;
}

std::filesystem::path ConsoleSocketIn(const std::filesystem::path& sandbox_folder) {
  return sandbox_folder / "console.sock";
}

std::filesystem::path VolumeFolderIn(const std::filesystem::path& sandbox_folder,
                                     std::string_view volume) {
  return sandbox_folder / "volumes" / volume;
}

std::filesystem::path SerialFarEndIn(const std::filesystem::path& sandbox_folder,
                                     std::string_view port) {
  return sandbox_folder / "tty" / port;
}

}  // namespace platform
