// The line's database's schema and how a server comes to it: a one-row table,
// quorvane_schema, holds the schema's version, and each migration takes the database from the
// version before it to its own, all that it lacks in one transaction under a lock, so that two
// stations starting at once migrate it once. A database newer than the program knows is refused
// untouched: an older program would misread what a newer one wrote.
#pragma once

#include <span>

#include "results/line_db.h"
#include "results/schema.h"

namespace results {

// The program's migrations of the line's database, oldest first.
std::span<const Migration> LineMigrations();

// Brings the database to the last of `migrations`; throws LineDbError (kRejected for a newer
// database), leaving it as it was.
void MigrateLine(LineConnection& connection, std::span<const Migration> migrations);

}  // namespace results
