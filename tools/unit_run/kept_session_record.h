// The session record of a simulated run, kept with the unit's records: the console's record files
// are copied from the simulated terminal's folder, which is removed after the run, into a folder
// beside the unit's JSON and JUnit files, and every phase's slice is told where its lines went.
// The folder arrives whole or not at all: the files are copied into a hidden folder beside it,
// flushed to the disk, and the folder takes its name only once every file is complete, so a full
// disk or a killed run never leaves a cut or empty copy that looks like the record.
#pragma once

#include <filesystem>
#include <string>

#include "plan/run_result.h"

namespace unit_run {

// Copies every file of `logs` into the new folder `destination` and points the slices of `run`
// that lay in `logs` to their new place. False, with `error` saying why, when any file could not
// be copied or `destination` is taken: then nothing is left beside the reports, `logs` and the
// slices are as they were.
bool KeepSessionRecord(const std::filesystem::path& logs, const std::filesystem::path& destination,
                       plan::RunResult& run, std::string& error);

}  // namespace unit_run
