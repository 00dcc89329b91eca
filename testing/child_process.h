// A real program started by a test: standard input comes from a given text, standard output and
// standard error go to files, so that a long-running program (the console) can be watched while
// it runs and a short one (quorvane-send, socat) read after it ends. A program still running when
// the object goes is killed.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace testing_support {

class ChildProcess {
 public:
  // Starts `args[0]` (searched on PATH) with `environment` added to this process's environment.
  // It reads `input` on its standard input, then the end of it; its outputs go to files in
  // `output_folder`.
  ChildProcess(std::vector<std::string> args, const std::filesystem::path& output_folder,
               const std::map<std::string, std::string>& environment = {},
               const std::string& input = "");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  // The exit status once the program has ended within `timeout`; nullopt otherwise (or when it
  // was ended by a signal).
  std::optional<int> Wait(std::chrono::milliseconds timeout);
  std::string Output() const;
  std::string Errors() const;

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
  std::filesystem::path out_file_;
  std::filesystem::path err_file_;
};

}  // namespace testing_support
