// The names of the record's files. A run's record is a row of parts, each named at its creation
// by the run's start in UTC and its part number, session-20240501T033456.789Z.part0001.log, then
// .part0002.log and so on: a file never changes its name, so a place in the record (a file and an
// offset) stays true for as long as the file is kept. The oldest parts go as new ones come, and
// earlier runs are thinned out when a run starts.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace record {

// The first part of a run started at `start`: session-STAMP.part0001.log, with -2, -3 ... behind
// the time when a run of that name already has files in `folder`.
std::filesystem::path NewRecordFile(const std::filesystem::path& folder,
                                    std::chrono::system_clock::time_point start);

// The part number of a run's file; nothing for a name that is not a part's.
std::optional<std::uint64_t> PartNumber(const std::filesystem::path& file);
// The file of the same run, in the same folder, with part number `part`.
std::filesystem::path WithPart(const std::filesystem::path& file, std::uint64_t part);

// Removes the record files in `folder` that are not `current`'s run's, oldest first (the earlier
// run first, within a run the lower part), until at most `keep` of them are left. Files of other
// names are never touched.
void RemoveOldRecords(const std::filesystem::path& folder, const std::filesystem::path& current,
                      std::size_t keep);

// The files of the run that `file` belongs to that are there, oldest part first. A file whose
// name is not a part's is taken alone; so is a part whose run has no files (its reader says so).
std::vector<std::filesystem::path> RunFiles(const std::filesystem::path& file);

}  // namespace record
