#include "results/folder_import.h"

#include <algorithm>

#include "platform/linux/small_file.h"
#include "results/record_reader.h"

namespace results {

namespace {

namespace fs = std::filesystem;

// The records under `folder` in name order, so that runs go in as they were written; links and
// what is not a plain file are refused rather than followed.
std::vector<fs::path> RecordFiles(const fs::path& folder, ImportTally& tally) {
  std::vector<fs::path> files;
  std::error_code error;
  fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied,
                                        error);
  if (error) {
    tally.refused.push_back({folder, "cannot be read: " + error.message()});
    return files;
  }
  for (; walk != fs::recursive_directory_iterator(); walk.increment(error)) {
    if (error) {
      tally.refused.push_back({walk->path(), "cannot be read: " + error.message()});
      break;
    }
    if (walk->path().extension() != ".json") continue;
    if (walk->is_symlink(error) || !walk->is_regular_file(error)) {
      tally.refused.push_back({walk->path(), "is not a plain file"});
      continue;
    }
    files.push_back(walk->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string ReadFault(const platform::posix::SmallFile& read) {
  using Fault = platform::posix::SmallFileFault;
  switch (read.fault) {
    case Fault::kTooLarge:
      return "is larger than " + std::to_string(kLargestRecord / (1024 * 1024)) + " MiB";
    case Fault::kNotRegularFile:
      return "is not a plain file";
    default:
      return "cannot be read: " + read.call.Describe();
  }
}

}  // namespace

ImportTally ImportFolder(const fs::path& folder, ResultsStore& store) {
  ImportTally tally;
  for (const fs::path& file : RecordFiles(folder, tally)) {
    const auto read = platform::posix::ReadSmallFile(file.c_str(), kLargestRecord);
    if (read.fault != platform::posix::SmallFileFault::kNone) {
      tally.refused.push_back({file, ReadFault(read)});
      continue;
    }
    StoredRun run;
    try {
      run = ReadRecord(read.text, file.lexically_relative(folder).string());
    } catch (const RecordRefusal& refusal) {
      tally.refused.push_back({file, refusal.what()});
      continue;
    }
    if (store.Store(run) == StoreOutcome::kStored) {
      ++tally.stored;
    } else {
      ++tally.already_there;
    }
  }
  return tally;
}

}  // namespace results
