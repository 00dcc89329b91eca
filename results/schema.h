// The store's schema and how a database comes to it: `PRAGMA user_version` is the schema's
// version, and each migration takes a database from the version before it to its own, all of
// those a database lacks run in one transaction, so that a database is at one version or the
// next and never between. A database newer than the program knows is refused untouched: an older
// program would misread what a newer one wrote.
#pragma once

#include <span>

#include "results/sqlite.h"

namespace results {

struct Migration {
  int version;      // what the database is at once this has run, from 1
  const char* sql;  // statements of our own, no values
};

// The program's migrations, oldest first.
std::span<const Migration> StoreMigrations();

// Brings `database` to the last of `migrations` (versions 1, 2, ... in order); throws
// StoreError, leaving the database as it was, when it is newer or a migration fails.
void Migrate(Database& database, std::span<const Migration> migrations);

}  // namespace results
