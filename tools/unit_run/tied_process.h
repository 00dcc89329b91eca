// A program started as a child that ends with the process that started it, however that process
// ends (SIGKILL included): the kernel sends the child SIGTERM when the thread that started it
// ends, so it is started from the main thread, which lives as long as the process. The child
// leads a process group of its own (a Ctrl-C at the terminal reaches the parent alone), with
// every signal unblocked, standard input from /dev/null and its outputs in the files given; the
// parent ends it, group and all, and reaps it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace unit_run {

// Starts `args[0]` (searched on PATH) with `args` and `environment`; its pid once it runs the
// program, else -1 with `error` saying why (a program that cannot be run leaves no process).
pid_t StartTiedProcess(std::vector<std::string> args, std::vector<std::string> environment,
                       const std::filesystem::path& out, const std::filesystem::path& err,
                       std::string& error);

// This process's environment, as a child started with it would see it.
std::vector<std::string> OwnEnvironment();

// Waits up to `timeout` for the child `pid` to end and reaps it; whether it has ended (or is no
// child of ours any more). `status` receives its wait status when it was reaped.
bool ReapedWithin(pid_t pid, std::chrono::milliseconds timeout, int* status = nullptr);

// Ends the child `pid` with its process group: SIGTERM, then SIGKILL when it is still there after
// `grace`; reaps it.
void EndTiedProcess(pid_t pid, std::chrono::milliseconds grace);

}  // namespace unit_run
