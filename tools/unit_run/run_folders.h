// The temporary folders of simulated runs and of ssh's forwards, quorvane-plan.XXXXXX in TMPDIR
// or /tmp. Each holds a mark with the id of the runner that made it; a runner killed before it
// could remove its own folder leaves the mark behind, and the next runner removes every such
// folder whose runner is gone. Only what a runner made is ever removed: a folder of this user,
// private, with a mark that names a process no longer running and no console answering on its
// socket. A folder kept on purpose loses its mark.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace unit_run {

// The simulated terminal's sandbox inside a run's folder.
inline std::filesystem::path SandboxIn(const std::filesystem::path& folder) {
  return folder / "sim";
}

// The folder the temporary folders go in: TMPDIR, else /tmp.
std::filesystem::path TemporaryFolders();

// Makes a new marked folder in `parent`; nothing, with `error` saying why, when it cannot.
std::optional<std::filesystem::path> MakeRunFolder(const std::filesystem::path& parent,
                                                   std::string& error);

// Takes the mark away: the folder stays until someone removes it by hand.
void UnmarkRunFolder(const std::filesystem::path& folder);

// Removes the marked folders in `parent` whose runners are gone.
void RemoveFoldersOfDeadRuns(const std::filesystem::path& parent);

}  // namespace unit_run
