// Where the console's socket lies: "console.sock" in the simulated terminal's sandbox folder,
// which is $XDG_STATE_HOME/quorvane/sim, or ~/.local/state/quorvane/sim when XDG_STATE_HOME is
// unset or not an absolute path.
#pragma once

#include <filesystem>
#include <optional>

namespace sender {

inline constexpr char kSocketFileName[] = "console.sock";

// Nothing when neither XDG_STATE_HOME nor HOME names a folder.
std::optional<std::filesystem::path> DefaultSandbox();
std::filesystem::path SocketPathIn(const std::filesystem::path& sandbox);

}  // namespace sender
