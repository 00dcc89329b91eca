#include "results/store.h"

#include <chrono>

#include "plan/run_report.h"

namespace results {

namespace {

std::int64_t Bit(bool flag) { return flag ? 1 : 0; }

void InsertMeasurements(Database& database, std::int64_t phase_id, const StoredPhase& phase) {
  Statement insert(database, R"sql(
      INSERT INTO measurements (phase_id, idx, name, value_text, value_number, units, limit_kind,
        low, high, marginal_band, expected_number, expected_text, outcome, marginal, message,
        attempt, repeat)
      VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17))sql");
  for (std::size_t at = 0; at < phase.measurements.size(); ++at) {
    const StoredMeasurement& m = phase.measurements[at];
    insert
        .BindAll(phase_id, static_cast<std::int64_t>(at), m.name, m.value, m.number, m.units,
                 m.limit_kind, m.low, m.high, m.marginal_band, m.expected_number, m.expected_text,
                 m.outcome, Bit(m.marginal), m.message, m.attempt, m.repeat)
        .Run();
  }
}

void InsertPrompts(Database& database, std::int64_t phase_id, const StoredPhase& phase) {
  Statement insert(database, R"sql(
      INSERT INTO prompts (phase_id, idx, name, text, answer, answered_by, at)
      VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7))sql");
  for (std::size_t at = 0; at < phase.prompts.size(); ++at) {
    const StoredPrompt& p = phase.prompts[at];
    insert
        .BindAll(phase_id, static_cast<std::int64_t>(at), p.name, p.text, p.answer, p.answered_by,
                 p.at)
        .Run();
  }
}

// Binds a mark's three columns from `first`, NULL for no mark.
void BindMark(Statement& statement, int first, const std::optional<StoredMark>& mark) {
  statement.Bind(first, mark ? std::optional(mark->file) : std::nullopt)
      .Bind(first + 1, mark ? std::optional(mark->offset) : std::nullopt)
      .Bind(first + 2, mark ? std::optional(mark->sequence) : std::nullopt);
}

void InsertPhases(Database& database, const StoredRun& run) {
  Statement insert(database, R"sql(
      INSERT INTO phases (run_id, idx, name, outcome, message, attempts, repeats, marginal,
        started_at, ended_at, teardown_message, record_begin_file, record_begin_offset,
        record_begin_sequence, record_end_file, record_end_offset, record_end_sequence)
      VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17)
      RETURNING id)sql");
  for (std::size_t at = 0; at < run.phases.size(); ++at) {
    const StoredPhase& phase = run.phases[at];
    insert.BindAll(run.id, static_cast<std::int64_t>(at), phase.name, phase.outcome, phase.message,
                   phase.attempts, phase.repeats, Bit(phase.marginal), phase.start, phase.end,
                   phase.teardown_message);
    BindMark(insert, 12, phase.record_begin);
    BindMark(insert, 15, phase.record_end);
    insert.Step();
    const std::int64_t phase_id = insert.Integer(0);
    insert.Run();
    InsertMeasurements(database, phase_id, phase);
    InsertPrompts(database, phase_id, phase);
  }
}

std::optional<StoredMark> MarkAt(const Statement& row, int first) {
  if (row.IsNull(first)) return std::nullopt;
  return StoredMark{row.Text(first), row.Integer(first + 1), row.Integer(first + 2)};
}

void LoadMeasurements(Database& database, std::int64_t phase_id, StoredPhase& phase) {
  Statement select(database, R"sql(
      SELECT name, value_text, value_number, units, limit_kind, low, high, marginal_band,
        expected_number, expected_text, outcome, marginal, message, attempt, repeat
      FROM measurements WHERE phase_id = ?1 ORDER BY idx)sql");
  select.Bind(1, phase_id);
  while (select.Step()) {
    phase.measurements.push_back(
        {select.Text(0), select.OptionalText(1), select.OptionalReal(2), select.Text(3),
         select.Text(4), select.OptionalReal(5), select.OptionalReal(6), select.OptionalReal(7),
         select.OptionalReal(8), select.OptionalText(9), select.Text(10), select.Integer(11) != 0,
         select.Text(12), select.Integer(13), select.Integer(14)});
  }
}

void LoadPrompts(Database& database, std::int64_t phase_id, StoredPhase& phase) {
  Statement select(database, R"sql(
      SELECT name, text, answer, answered_by, at FROM prompts WHERE phase_id = ?1 ORDER BY idx)sql");
  select.Bind(1, phase_id);
  while (select.Step()) {
    phase.prompts.push_back(
        {select.Text(0), select.Text(1), select.Text(2), select.Text(3), select.Text(4)});
  }
}

void LoadPhases(Database& database, StoredRun& run) {
  Statement select(database, R"sql(
      SELECT id, name, outcome, message, attempts, repeats, marginal, started_at, ended_at,
        teardown_message, record_begin_file, record_begin_offset, record_begin_sequence,
        record_end_file, record_end_offset, record_end_sequence
      FROM phases WHERE run_id = ?1 ORDER BY idx)sql");
  select.Bind(1, run.id);
  while (select.Step()) {
    StoredPhase& phase = run.phases.emplace_back();
    phase.name = select.Text(1);
    phase.outcome = select.Text(2);
    phase.message = select.Text(3);
    phase.attempts = select.Integer(4);
    phase.repeats = select.Integer(5);
    phase.marginal = select.Integer(6) != 0;
    phase.start = select.OptionalText(7);
    phase.end = select.OptionalText(8);
    phase.teardown_message = select.Text(9);
    phase.record_begin = MarkAt(select, 10);
    phase.record_end = MarkAt(select, 13);
    LoadMeasurements(database, select.Integer(0), phase);
    LoadPrompts(database, select.Integer(0), phase);
  }
}

}  // namespace

ResultsStore::ResultsStore(const std::filesystem::path& file, const StoreOptions& options)
    : database_(file, options.busy_timeout_ms) {
  database_.Execute("PRAGMA foreign_keys = ON");
  // Migrate refuses a newer schema before anything is written, WAL's header change included.
  Migrate(database_, options.migrations);
  database_.Execute("PRAGMA journal_mode = WAL");
}

StoreOutcome ResultsStore::Store(const StoredRun& run) {
  Transaction transaction(database_);
  Statement insert(database_, R"sql(
      INSERT INTO runs (id, schema_version, unit, plan_name, plan_file, plan_revision, station,
        operator, console_version, board_profile, started_at, ended_at, outcome, marginal,
        message, record_file, stored_at)
      VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17)
      ON CONFLICT (id) DO NOTHING)sql");
  insert
      .BindAll(run.id, run.schema_version, run.unit, run.plan_name, run.plan_file,
               run.plan_revision, run.station, run.operator_name, run.console_version,
               run.board_profile, run.start, run.end, run.outcome, Bit(run.marginal), run.message,
               run.record_file, plan::WallTimeText(std::chrono::system_clock::now()))
      .Run();
  if (database_.Changes() == 0) return StoreOutcome::kAlreadyThere;
  InsertPhases(database_, run);
  transaction.Commit();
  return StoreOutcome::kStored;
}

std::optional<StoredRun> ResultsStore::Load(std::string_view id) {
  Statement select(database_, R"sql(
      SELECT id, schema_version, unit, plan_name, plan_file, plan_revision, station, operator,
        console_version, board_profile, started_at, ended_at, outcome, marginal, message,
        record_file
      FROM runs WHERE id = ?1)sql");
  select.Bind(1, id);
  if (!select.Step()) return std::nullopt;
  StoredRun run;
  run.id = select.Text(0);
  run.schema_version = select.Integer(1);
  run.unit = select.Text(2);
  run.plan_name = select.Text(3);
  run.plan_file = select.Text(4);
  run.plan_revision = select.OptionalText(5);
  run.station = select.Text(6);
  run.operator_name = select.OptionalText(7);
  run.console_version = select.Text(8);
  run.board_profile = select.OptionalText(9);
  run.start = select.Text(10);
  run.end = select.Text(11);
  run.outcome = select.Text(12);
  run.marginal = select.Integer(13) != 0;
  run.message = select.Text(14);
  run.record_file = select.Text(15);
  LoadPhases(database_, run);
  return run;
}

}  // namespace results
