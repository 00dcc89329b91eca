#include "tools/quorvane-results/import_verb.h"

#include <iostream>

#include "results/folder_import.h"

namespace quorvane_results {

namespace {

int Import(const std::filesystem::path& folder, const std::filesystem::path& store_file) {
  if (!std::filesystem::is_directory(folder)) {
    std::cerr << "quorvane-results: " << folder.string() << " is not a folder\n";
    return kUsageRefused;
  }
  results::ImportTally tally;
  try {
    results::ResultsStore store(store_file);
    tally = results::ImportFolder(folder, store);
  } catch (const results::StoreError& fault) {
    std::cerr << "quorvane-results: " << fault.what() << '\n';
    return kStoreFault;
  }
  for (const auto& refused : tally.refused) {
    std::cerr << "quorvane-results: refused " << refused.file.string() << ": " << refused.why
              << '\n';
  }
  std::cout << tally.stored << " stored, " << tally.already_there << " already there, "
            << tally.refused.size() << " refused\n";
  return tally.refused.empty() ? kDone : kPartly;
}

}  // namespace

int RunImport(const Shared& shared, const std::filesystem::path& folder) {
  return Import(folder, shared.store.empty() ? folder / results::kStoreFileName : shared.store);
}

}  // namespace quorvane_results
