// A run's place in the results store, after its records: the run read back from the JSON record
// just written (so the store holds what an import of that record would) and stored whole. A store
// that cannot take it (a broken file, a lock held too long, a full disk, a newer schema) loses
// nothing: the records are written, and the fault says how the run gets into the store later.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace unit_run {

// Where a run's records go, and the store they go into; an empty `store` stores nothing. The
// store's runs are forwarded to the line's database `line_db` names (a libpq connection string),
// when it names one.
struct RecordsPlace {
  std::filesystem::path folder;
  std::filesystem::path store;
  std::string line_db;
};

// What went wrong, or nothing. `json`: the record's text; `record`: its file in `place.folder`.
std::optional<std::string> StoreRun(const RecordsPlace& place, const std::string& json,
                                    const std::filesystem::path& record);

}  // namespace unit_run
