#include "tools/unit_run/run_store.h"

#include "results/record_reader.h"
#include "results/store.h"

namespace unit_run {

std::optional<std::string> StoreRun(const RecordsPlace& place, const std::string& json,
                                    const std::filesystem::path& record) {
  try {
    results::ResultsStore store(place.store);
    store.Store(results::ReadRecord(json, record.filename().string()));
    return std::nullopt;
  } catch (const std::runtime_error& fault) {  // results::StoreError, results::RecordRefusal
    return "results store: " + std::string(fault.what()) + "; the run is not stored, its record " +
           record.string() + " keeps it: `quorvane-results import " + place.folder.string() +
           " --store " + place.store.string() + "` stores it later";
  }
}

}  // namespace unit_run
