// A console of the plan runner's own for --simulate: `quorvane --headless` on a fresh simulated
// terminal in a temporary folder, with the plan's board profile, in a process group of its own
// so that the operator's Ctrl-C reaches the runner only and the plan's teardown still finds the
// console. Ending it asks the dialog to close (command 1006), then SIGTERM, then SIGKILL. A runner
// that dies however it dies takes its console along (tied_process.h), and the next runner removes
// the folder it left (run_folders.h).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "plan/stop_request.h"
#include "tools/unit_run/run_folders.h"

namespace unit_run {

class SimulatedConsole {
 public:
  // Removes the folders dead runs left, then makes the temporary folder the simulated terminal
  // goes in; `error` says why not otherwise.
  bool MakeFolder(std::string& error);
  // Starts the console in the folder and waits until its socket answers or `stop` comes;
  // `error` says why not otherwise. Called from the main thread: the console's tie to the runner
  // is to the thread that starts it.
  bool Start(const std::filesystem::path& program,
             const std::optional<std::filesystem::path>& board, const plan::StopRequest& stop,
             std::string& error);
  // The simulated bench's instruments, by role, from bench.json in the sandbox, which the
  // simulated terminal writes once they listen: waited for a while, or until `stop` comes;
  // nothing, with `error`, when it does not come or cannot be read.
  std::optional<std::map<std::string, std::string>> WaitForBench(const plan::StopRequest& stop,
                                                                 std::string& error) const;
  // Asks the console to close (command 1006), then SIGTERM, then SIGKILL; once it has ended, its
  // session record is whole.
  void End();
  // Ends the console and removes the folder unless `keep`.
  ~SimulatedConsole();

  // Leaves the folder in place after the run, and to later runs.
  void Keep();
  std::filesystem::path socket() const;
  // The simulated terminal's sandbox, inside the folder.
  std::filesystem::path sandbox() const { return SandboxIn(folder_); }
  const std::filesystem::path& folder() const { return folder_; }

 private:
  bool Ended(std::chrono::milliseconds timeout);

  std::filesystem::path folder_;
  pid_t pid_ = -1;
  bool keep_ = false;
};

// The console program: beside this one in the build tree (ui/quorvane from a tool's folder)
// or installed, else `quorvane` as PATH finds it.
std::filesystem::path FindConsole(const std::filesystem::path& self);

}  // namespace unit_run
