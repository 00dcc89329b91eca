// Where the simulated terminal's sandbox lies when nobody names one, and where in a sandbox the
// console listens for outside senders. The simulated terminal makes the folder and the console
// listens there; quorvane-send only needs the socket's path, so both read it here rather than
// the sender carrying the whole simulator along.
#pragma once

#include <filesystem>
#include <stdexcept>

namespace platform {

// Neither the environment nor the user database names a home folder for the default sandbox.
class NoDefaultSandbox : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// $XDG_STATE_HOME/quorvane/sim, or ~/.local/state/quorvane/sim. Throws NoDefaultSandbox.
std::filesystem::path DefaultSandboxFolder();

// Where the console listens for outside senders, inside a sandbox folder.
std::filesystem::path ConsoleSocketIn(const std::filesystem::path& sandbox_folder);

}  // namespace platform
