// The session record of a simulated run, kept with the unit's records: the console's record files
// go from the simulated terminal's folder, which is removed after the run, into a folder beside
// the unit's JSON and JUnit files, and every phase's slice is told where its lines went.
#pragma once

#include <filesystem>
#include <string>

#include "plan/run_result.h"

namespace quorvane_plan {

// Moves every file of `logs` into `destination` (made when missing) and points the slices of
// `run` that lay in `logs` to their new place. False, with `error` saying why, when a file could
// not be moved: the slices of what was not moved still point into `logs`.
bool KeepSessionRecord(const std::filesystem::path& logs, const std::filesystem::path& destination,
                       plan::RunResult& run, std::string& error);

}  // namespace quorvane_plan
