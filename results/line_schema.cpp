#include "results/line_schema.h"

#include <string>

namespace results {

namespace {

// Version 1: the station's tables, column for column, so that one query reads either store.
// Times stay texts as the records write them and flags 0 or 1. `line_seq` keeps the order runs
// arrived in; a run's id is unique across stations, so it is the key forwarding relies on.
constexpr const char* kVersion1 = R"sql(
CREATE TABLE runs (
  line_seq BIGSERIAL NOT NULL UNIQUE,
  id TEXT PRIMARY KEY,
  schema_version BIGINT NOT NULL,
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
  received_at TIMESTAMPTZ NOT NULL DEFAULT now()
);
CREATE INDEX runs_by_plan ON runs (plan_name, plan_revision, station, started_at);
CREATE INDEX runs_by_unit ON runs (unit, started_at);
CREATE INDEX runs_by_start ON runs (started_at);

CREATE TABLE phases (
  id BIGSERIAL PRIMARY KEY,
  run_id TEXT NOT NULL REFERENCES runs (id) ON DELETE CASCADE,
  idx BIGINT NOT NULL,
  name TEXT NOT NULL,
  outcome TEXT NOT NULL,
  message TEXT NOT NULL,
  attempts BIGINT NOT NULL,
  repeats BIGINT NOT NULL,
  marginal INTEGER NOT NULL CHECK (marginal IN (0, 1)),
  started_at TEXT,
  ended_at TEXT,
  teardown_message TEXT NOT NULL,
  record_begin_file TEXT,
  record_begin_offset BIGINT,
  record_begin_sequence BIGINT,
  record_end_file TEXT,
  record_end_offset BIGINT,
  record_end_sequence BIGINT,
  UNIQUE (run_id, idx)
);

CREATE TABLE measurements (
  id BIGSERIAL PRIMARY KEY,
  phase_id BIGINT NOT NULL REFERENCES phases (id) ON DELETE CASCADE,
  idx BIGINT NOT NULL,
  name TEXT NOT NULL,
  value_text TEXT,
  value_number DOUBLE PRECISION,
  units TEXT NOT NULL,
  limit_kind TEXT NOT NULL CHECK (limit_kind IN ('none', 'range', 'equals', 'matches')),
  low DOUBLE PRECISION,
  high DOUBLE PRECISION,
  marginal_band DOUBLE PRECISION,
  expected_number DOUBLE PRECISION,
  expected_text TEXT,
  outcome TEXT NOT NULL CHECK (outcome IN ('PASS', 'FAIL')),
  marginal INTEGER NOT NULL CHECK (marginal IN (0, 1)),
  message TEXT NOT NULL,
  attempt BIGINT NOT NULL,
  repeat BIGINT NOT NULL,
  UNIQUE (phase_id, idx)
);
CREATE INDEX measurements_by_name ON measurements (name, phase_id);

CREATE TABLE prompts (
  id BIGSERIAL PRIMARY KEY,
  phase_id BIGINT NOT NULL REFERENCES phases (id) ON DELETE CASCADE,
  idx BIGINT NOT NULL,
  name TEXT NOT NULL,
  text TEXT NOT NULL,
  answer TEXT NOT NULL,
  answered_by TEXT NOT NULL,
  at TEXT NOT NULL,
  UNIQUE (phase_id, idx)
);
)sql";

// Version 2: what the queries need to read the line as they read a station. The order runs arrived
// in takes the station's name for its order, `seq`; and the texts the queries order by or compare
// as ranges (units, plans, stations, start times, phase and measurement names) compare as bytes,
// as SQLite compares them, whatever collation the server's database was made with (a language's
// would sort "Power" after "modem" and put a unit's pages in another order).
constexpr const char* kVersion2 = R"sql(
ALTER TABLE runs RENAME COLUMN line_seq TO seq;
ALTER TABLE runs
  ALTER COLUMN unit TYPE TEXT COLLATE "C",
  ALTER COLUMN plan_name TYPE TEXT COLLATE "C",
  ALTER COLUMN plan_revision TYPE TEXT COLLATE "C",
  ALTER COLUMN station TYPE TEXT COLLATE "C",
  ALTER COLUMN started_at TYPE TEXT COLLATE "C";
ALTER TABLE phases ALTER COLUMN name TYPE TEXT COLLATE "C";
ALTER TABLE measurements ALTER COLUMN name TYPE TEXT COLLATE "C";
)sql";

constexpr Migration kMigrations[] = {{1, kVersion1}, {2, kVersion2}};

// Any fixed number: the lock stations take while one of them migrates.
constexpr const char* kMigrationLock = "SELECT pg_advisory_xact_lock(7270417)";

// The database's version, 0 before the first migration.
int LineVersion(LineConnection& connection) {
  LineResult table = connection.Execute("SELECT to_regclass('quorvane_schema') IS NOT NULL");
  if (table.Text(0, 0) != "t") return 0;
  LineResult version = connection.Execute("SELECT max(version) FROM quorvane_schema");
  return version.IsNull(0, 0) ? 0 : static_cast<int>(version.Integer(0, 0));
}

}  // namespace

std::span<const Migration> LineMigrations() { return kMigrations; }

void MigrateLine(LineConnection& connection, std::span<const Migration> migrations) {
  const int known = migrations.empty() ? 0 : migrations.back().version;
  const auto refuse_newer = [&](int version) {
    if (version > known) {
      throw LineDbError(LineFault::kRejected,
                        "line database " + connection.Where() + ": its schema is version " +
                            std::to_string(version) + ", newer than this program's " +
                            std::to_string(known) + "; it is left as it is");
    }
  };
  // Read before any write, so a newer database is refused without a lock or a change.
  const int found = LineVersion(connection);
  refuse_newer(found);
  if (found == known) return;
  LineTransaction transaction(connection);
  connection.Execute(kMigrationLock);
  // Another station may have migrated it between the look and the lock.
  const int version = LineVersion(connection);
  refuse_newer(version);
  connection.Execute("CREATE TABLE IF NOT EXISTS quorvane_schema (version INTEGER NOT NULL)");
  for (const Migration& migration : migrations) {
    if (migration.version > version) connection.RunScript(migration.sql);
  }
  connection.Execute("DELETE FROM quorvane_schema");
  connection.Execute("INSERT INTO quorvane_schema (version) VALUES ($1)",
                     LineParams().Add(std::int64_t{known}));
  transaction.Commit();
}

}  // namespace results
