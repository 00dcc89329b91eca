// Starting a program on this machine as a process of its own, the way the terminal's shell
// starts one: no arguments, standard input from /dev/null, standard output and error shared with
// the console (where a person running it looks for messages), and nothing else of the console's:
// every other descriptor is closed, every signal is unblocked and at its default (the console
// blocks its stop signals and ignores others), and the program leads a session of its own, so
// that it outlives the console and a Ctrl-C meant for the console. It works in its own folder.
#pragma once

#include <filesystem>

#include "platform/linux/posix_calls.h"

namespace platform::posix {

// `value` is the new process's id once the program is running; a program that cannot be run
// (missing, not executable, not a format the system runs) is an error of the call "exec", with
// no process left behind. The caller owns the process and must reap it.
CallResult StartProgram(const std::filesystem::path& program);

}  // namespace platform::posix
