// Storing a folder of JSON records: the runs recorded before the store existed, or while it could
// not be written (a full disk, a lock, a broken file). Every `*.json` under the folder is read as
// a record and its run stored once: a run already there is counted and left, so importing the
// same folder again stores nothing, and a file that is not a record is refused with why, without
// stopping the rest.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "results/store.h"

namespace results {

struct ImportRefusal {
  std::filesystem::path file;
  std::string why;
};

struct ImportTally {
  int stored = 0;
  int already_there = 0;
  std::vector<ImportRefusal> refused;
};

// The largest record taken: a run of a thousand repeats of a phase with a few measurements each.
inline constexpr std::size_t kLargestRecord = 64 * 1024 * 1024;

// Throws StoreError when the store itself fails; the runs stored before that stay stored.
ImportTally ImportFolder(const std::filesystem::path& folder, ResultsStore& store);

}  // namespace results
