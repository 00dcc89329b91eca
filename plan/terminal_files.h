// Where the terminal's files lie on this machine: a file step names them by the terminal's
// paths ("\SDMMC\rwtest.txt"), and whoever runs the plan knows which folders hold the volumes.
// A plan whose file steps name a path that cannot be found is refused before anything runs.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "plan/plan.h"

namespace plan {

class TerminalFiles {
 public:
  virtual ~TerminalFiles() = default;
  // The path on this machine for a terminal path; nothing, with `error` saying why, for one
  // that names no volume or is refused.
  virtual std::optional<std::filesystem::path> Find(const std::string& terminal_path,
                                                    std::string& error) const = 0;
};

// Whether any of the plan's steps checks files.
bool ChecksFiles(const Plan& plan);

// Throws PlanError, "FILE:LINE: ...", for the first file step's path `files` cannot find.
void CheckTerminalFiles(const Plan& plan, const TerminalFiles& files);

}  // namespace plan
