// quorvane-replay's command line: which record to play back, into which sandbox, and at what pace.
//
//   quorvane-replay RECORD [--sandbox DIR] [--port COMn] [--as-fast-as-possible | --speed X]
//                   [--timeout SECONDS]
//
// RECORD is any file of the run (its rotated files are found beside it). Without --sandbox, the
// default sandbox; without --port, every port the record received blocks on.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include "tools/early_exit.h"

namespace quorvane_replay {

struct Invocation {
  std::filesystem::path record;
  std::filesystem::path sandbox;
  std::optional<std::string> port;
  // How many times faster than recorded the gaps between blocks pass; nullopt: no gaps at all.
  std::optional<double> speed = 1.0;
  // How long one block may wait for the console to take it.
  std::chrono::milliseconds write_timeout{10'000};
};

std::variant<Invocation, tools::EarlyExit> ParseCommandLine(int argc, char** argv);

}  // namespace quorvane_replay
