// Where the simulated terminal's sandbox lies when nobody names one, where in a sandbox the
// console listens for outside senders and where the volumes' folders and the simulated serial
// ports' far ends are found.
// The simulated terminal makes the folder and the console listens there; quorvane-send and
// quorvane-replay only need the paths, so all read them here rather than the tools carrying the
// whole simulator along.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

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

// The folder of the terminal's volume `volume` ("SDMMC") inside a sandbox folder.
std::filesystem::path VolumeFolderIn(const std::filesystem::path& sandbox_folder,
                                     std::string_view volume);

// Where outside programs find the far end of the simulated port `port` ("COM1").
std::filesystem::path SerialFarEndIn(const std::filesystem::path& sandbox_folder,
                                     std::string_view port);

}  // namespace platform
