// The results store: every run of a plan in an SQLite database on the station, beside the JSON
// and JUnit records, for the queries and reports that look across runs and for forwarding to the
// line's database. WAL (readers never hold up a station storing a run), a busy timeout, foreign
// keys on, the schema migrated on open (schema.h). A run is stored whole in one transaction or
// not at all, and storing a run whose id is already there stores nothing.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

#include "results/schema.h"
#include "results/sqlite.h"
#include "results/sqlite_queries.h"
#include "results/stored_run.h"

namespace results {

// The store's file in a records folder, where the plan tool and the station put it by default.
inline constexpr const char* kStoreFileName = "results.sqlite";

struct StoreOptions {
  // How long a store waits for another program's write (a station, an import) to end.
  int busy_timeout_ms = 5000;
  std::span<const Migration> migrations = StoreMigrations();
};

enum class StoreOutcome { kStored, kAlreadyThere };

class ResultsStore {
 public:
  // Opens or creates the store at `file`; throws StoreError (a file that is not a database, a
  // schema newer than this program's, a lock held past the timeout, a full disk).
  explicit ResultsStore(const std::filesystem::path& file, const StoreOptions& options = {});

  // Throws StoreError, having stored nothing of the run.
  StoreOutcome Store(const StoredRun& run);
  // The run with `id` as stored, or nothing.
  std::optional<StoredRun> Load(std::string_view id);

  // For what reads the schema directly: forwarding, the store's own tests.
  Database& database() { return database_; }
  // For the queries and the report.
  QueryDatabase& queries() { return queries_; }

 private:
  Database database_;
  SqliteQueries queries_{database_};
};

}  // namespace results
