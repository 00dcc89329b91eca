#include "tools/unit_run/records_options.h"

#include "results/store.h"

namespace unit_run {

void AddRecordsOptions(CLI::App& app, RecordsOptions& options) {
  app.add_option("--out", options.out, "the folder for the records (default: .)");
  auto* store = app.add_option("--store", options.store,
                               "the results store every run goes into, an SQLite file "
                               "(default: results.sqlite in the records' folder)");
  app.add_flag("--no-store", options.no_store, "write the records only, store no run")
      ->excludes(store);
  app.add_option("--line-db", options.line_db,
                 "forward every stored run to the line's PostgreSQL database, a libpq "
                 "connection string such as 'host=db1 dbname=line user=station' (the password "
                 "from ~/.pgpass)")
      ->excludes("--no-store");
}

RecordsPlace ResolveRecords(const RecordsOptions& options) {
  RecordsPlace place;
  place.folder = options.out.empty() ? std::filesystem::path(".") : options.out;
  if (!options.no_store) {
    place.store = options.store.empty() ? place.folder / results::kStoreFileName : options.store;
  }
  place.line_db = options.line_db;
  return place;
}

}  // namespace unit_run
