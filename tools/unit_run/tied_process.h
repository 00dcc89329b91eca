// A program started as a child that ends with the process that started it, however that process
// ends (SIGKILL included): the kernel sends the child SIGTERM when the thread that started it
// ends, so it is started from the main thread, which lives as long as the process. The child
// leads a process group of its own (a Ctrl-C at the terminal reaches the parent alone), with
// every signal unblocked, standard input from /dev/null and its outputs in the files given.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace unit_run {

// Starts `args[0]` (searched on PATH) with `args` and `environment`; its pid once it runs the
// program, else -1 with `error` saying why (a program that cannot be run leaves no process).
pid_t StartTiedProcess(std::vector<std::string> args, std::vector<std::string> environment,
                       const std::filesystem::path& out, const std::filesystem::path& err,
                       std::string& error);

}  // namespace unit_run
