#include "sender/socket_path.h"

#include <cstdlib>

namespace sender {

std::optional<std::filesystem::path> DefaultSandbox() {
  const std::filesystem::path sandbox = std::filesystem::path("quorvane") / "sim";
  // A relative XDG_STATE_HOME is invalid and ignored, as the base directory rules say.
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
    return std::filesystem::path(state) / sandbox;
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    return std::filesystem::path(home) / ".local" / "state" / sandbox;
  }
  return std::nullopt;
}

std::filesystem::path SocketPathIn(const std::filesystem::path& sandbox) {
  return sandbox / kSocketFileName;
}

}  // namespace sender
