// The queries' reading of the station's SQLite store: each query's statement prepared on the
// store's connection, its ?N parameters as SQLite takes them.
#pragma once

#include "results/query_database.h"
#include "results/sqlite.h"

namespace results {

class SqliteQueries : public QueryDatabase {
 public:
  explicit SqliteQueries(Database& database) : database_(database) {}
  // Throws StoreError.
  std::unique_ptr<QueryStatement> Prepare(const std::string& sql) override;

 private:
  Database& database_;
};

}  // namespace results
