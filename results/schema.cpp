#include "results/schema.h"

#include <string>

namespace results {

namespace {

// Version 1. Times are texts as the records write them, UTC with milliseconds
// (2026-12-09T22:15:03.123Z): they order as times do, SQLite's date functions read them for
// grouping by day, a server's timestamp type parses them, and a stored run shows what its record
// says byte for byte. `seq` keeps the order runs were stored in, which forwarding keeps;
// `forwarded_at` stays NULL until the line's database has the run.
constexpr const char* kVersion1 = R"sql(
CREATE TABLE runs (
  seq INTEGER PRIMARY KEY,
  id TEXT NOT NULL UNIQUE,
  schema_version INTEGER NOT NULL,
  unit TEXT NOT NULL,
  plan_name TEXT NOT NULL,
  plan_file TEXT NOT NULL,
  plan_revision TEXT,
  station TEXT NOT NULL,
  operator TEXT,
  console_version TEXT NOT NULL,
  board_profile TEXT,
  started_at TEXT NOT NULL,
  ended_at TEXT NOT NULL,
  outcome TEXT NOT NULL CHECK (outcome IN ('PASS', 'FAIL', 'ERROR', 'TIMEOUT', 'ABORTED')),
  marginal INTEGER NOT NULL CHECK (marginal IN (0, 1)),
  message TEXT NOT NULL,
  record_file TEXT NOT NULL,
  stored_at TEXT NOT NULL,
  forwarded_at TEXT
);
CREATE INDEX runs_by_plan ON runs (plan_name, plan_revision, station, started_at);
CREATE INDEX runs_by_unit ON runs (unit, started_at);
CREATE INDEX runs_by_start ON runs (started_at);
CREATE INDEX runs_to_forward ON runs (seq) WHERE forwarded_at IS NULL;

CREATE TABLE phases (
  id INTEGER PRIMARY KEY,
  run_id TEXT NOT NULL REFERENCES runs (id) ON DELETE CASCADE,
  idx INTEGER NOT NULL,
  name TEXT NOT NULL,
  outcome TEXT NOT NULL,
  message TEXT NOT NULL,
  attempts INTEGER NOT NULL,
  repeats INTEGER NOT NULL,
  marginal INTEGER NOT NULL CHECK (marginal IN (0, 1)),
  started_at TEXT,
  ended_at TEXT,
  teardown_message TEXT NOT NULL,
  record_begin_file TEXT,
  record_begin_offset INTEGER,
  record_begin_sequence INTEGER,
  record_end_file TEXT,
  record_end_offset INTEGER,
  record_end_sequence INTEGER,
  UNIQUE (run_id, idx)
);

CREATE TABLE measurements (
  id INTEGER PRIMARY KEY,
  phase_id INTEGER NOT NULL REFERENCES phases (id) ON DELETE CASCADE,
  idx INTEGER NOT NULL,
  name TEXT NOT NULL,
  value_text TEXT,
  value_number REAL,
  units TEXT NOT NULL,
  limit_kind TEXT NOT NULL CHECK (limit_kind IN ('none', 'range', 'equals', 'matches')),
  low REAL,
  high REAL,
  marginal_band REAL,
  expected_number REAL,
  expected_text TEXT,
  outcome TEXT NOT NULL CHECK (outcome IN ('PASS', 'FAIL')),
  marginal INTEGER NOT NULL CHECK (marginal IN (0, 1)),
  message TEXT NOT NULL,
  attempt INTEGER NOT NULL,
  repeat INTEGER NOT NULL,
  UNIQUE (phase_id, idx)
);
CREATE INDEX measurements_by_name ON measurements (name, phase_id);

CREATE TABLE prompts (
  id INTEGER PRIMARY KEY,
  phase_id INTEGER NOT NULL REFERENCES phases (id) ON DELETE CASCADE,
  idx INTEGER NOT NULL,
  name TEXT NOT NULL,
  text TEXT NOT NULL,
  answer TEXT NOT NULL,
  answered_by TEXT NOT NULL,
  at TEXT NOT NULL,
  UNIQUE (phase_id, idx)
);
)sql";

constexpr Migration kMigrations[] = {{1, kVersion1}};

int UserVersion(Database& database) {
  Statement version(database, "PRAGMA user_version");
  version.Step();
  return static_cast<int>(version.Integer(0));
}

}  // namespace

std::span<const Migration> StoreMigrations() { return kMigrations; }

void Migrate(Database& database, std::span<const Migration> migrations) {
  const int known = migrations.empty() ? 0 : migrations.back().version;
  const auto refuse_newer = [&](int version) {
    if (version > known) {
      throw StoreError(database.file().string() + ": the store's schema is version " +
                       std::to_string(version) + ", newer than this program's " +
                       std::to_string(known) + "; it is left as it is");
    }
  };
  // Read before any write, so a newer database is refused without a lock or a change.
  const int found = UserVersion(database);
  refuse_newer(found);
  if (found == known) return;
  Transaction transaction(database);
  // Another program may have migrated it between the look and the lock.
  const int version = UserVersion(database);
  refuse_newer(version);
  for (const Migration& migration : migrations) {
    if (migration.version > version) database.Execute(migration.sql);
  }
  // A pragma takes no parameters; the version is our own number, not a value from outside.
  database.Execute(("PRAGMA user_version = " + std::to_string(known)).c_str());
  transaction.Commit();
}

}  // namespace results
