#include "testing/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace testing_support {

namespace {

std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> args,
                           const std::filesystem::path& output_folder,
                           const std::map<std::string, std::string>& environment,
                           const std::string& input)
    : out_file_(output_folder / "stdout"), err_file_(output_folder / "stderr") {
  // A file rather than a pipe: the program reads it at its own pace and nobody blocks writing.
  const std::filesystem::path in_file = output_folder / "stdin";
  std::ofstream(in_file, std::ios::binary) << input;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in_file.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_file_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_file_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);

  std::vector<std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string variable = *entry;
    if (!environment.contains(variable.substr(0, variable.find('='))))
      variables.push_back(variable);
  }
  for (const auto& [name, value] : environment) variables.push_back(name + "=" + value);
  std::vector<char*> argv, envp;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  for (auto& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);

  if (::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
  if (pid_ <= 0 || reaped_) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (pid_ <= 0 || reaped_) return std::nullopt;
  const auto give_up = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= give_up) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  reaped_ = true;
  return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
}

std::string ChildProcess::Output() const { return ReadAll(out_file_); }

std::string ChildProcess::Errors() const { return ReadAll(err_file_); }

}  // namespace testing_support
