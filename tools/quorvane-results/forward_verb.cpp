#include "tools/quorvane-results/forward_verb.h"

#include <iostream>

#include "results/line_forward.h"
#include "results/line_schema.h"

namespace quorvane_results {

namespace {

int Forward(const std::filesystem::path& store_file, const std::string& conninfo) {
  std::optional<results::ResultsStore> store;
  try {
    store.emplace(store_file);
  } catch (const results::StoreError& fault) {
    std::cerr << "quorvane-results: " << fault.what() << '\n';
    return kStoreFault;
  }
  results::ForwardCount count;
  int status = kDone;
  try {
    results::LineConnection line(conninfo);
    results::MigrateLine(line, results::LineMigrations());
    count = results::ForwardPending(*store, line);
  } catch (const std::runtime_error& fault) {  // results::LineDbError, results::StoreError
    std::cerr << "quorvane-results: " << fault.what() << '\n';
    status = kStoreFault;
  }
  std::cout << count.stored << " forwarded, " << count.already_there << " already there, "
            << results::UnforwardedRuns(*store).size() << " pending\n";
  return status;
}

}  // namespace

int RunForward(const Shared& shared, const std::string& conninfo) {
  return Forward(shared.store.empty() ? results::kStoreFileName : shared.store, conninfo);
}

}  // namespace quorvane_results
