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
// A board profile is held to the same size.
inline constexpr std::size_t kMaxPlanBytes = 1024 * 1024;
// A prompt's picture: a photograph of a connector, not a film.
inline constexpr std::size_t kMaxPictureBytes = 8 * 1024 * 1024;
// Gauge and statistics runs repeat a phase tens of times; more would only fill the records.
inline constexpr int kMostRepeats = 1000;

// Throws PlanError.
Plan ReadPlan(const std::filesystem::path& file);

// A file the plan is or names, read whole: a regular file of at most `max_bytes`, or PlanError
// with the file and what is wrong with it.
std::string ReadWholeFile(const std::filesystem::path& file, std::size_t max_bytes);

}  // namespace plan
