// Reads a plan file. Everything that can be wrong without the console is refused here, before
// anything runs: TOML syntax, unknown or mistyped keys, values out of range, limits that make no
// sense, patterns that do not compile, captures and limits that do not name each other, scripted
// answers for prompts the plan does not have. The message reads "FILE:LINE: what is wrong".
#pragma once

#include <filesystem>
#include <stdexcept>

#include "plan/plan.h"

namespace plan {

class PlanError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A plan file is small text; a larger one, a FIFO or a device is refused without being read.
inline constexpr std::size_t kMaxPlanBytes = 1024 * 1024;

// Throws PlanError.
Plan ReadPlan(const std::filesystem::path& file);

}  // namespace plan
