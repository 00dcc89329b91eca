#include "results/unit_runs_query.h"

#include <string>

namespace results {

namespace {

// Units in byte order (text compares as bytes), runs by start and then as stored, phases and
// their measurements or prompts in their order: the order runs_by_unit and the phases' and
// measurements' unique keys give, so the pass needs no sort.
constexpr const char* kOrder = " ORDER BY r.unit, r.started_at, r.seq, p.idx, ";

// A row of runs LEFT JOIN phases LEFT JOIN measurements, columns: 0-12 the run, 13-24 the phase
// (NULL for a run without one), 25-37 the measurement (NULL for a phase without one).
constexpr const char* kRows = R"sql(
    SELECT r.seq, r.id, r.unit, r.plan_name, r.plan_revision, r.station, r.operator,
      r.started_at, r.ended_at, r.outcome, r.marginal, r.message, r.record_file,
      p.id, p.name, p.outcome, p.message, p.attempts, p.marginal,
      p.record_begin_file, p.record_begin_offset, p.record_begin_sequence,
      p.record_end_file, p.record_end_offset, p.record_end_sequence,
      m.id, m.name, m.value_text, m.units, m.limit_kind, m.low, m.high, m.expected_number,
      m.expected_text, m.outcome, m.marginal, m.message, m.attempt
    FROM runs r LEFT JOIN phases p ON p.run_id = r.id LEFT JOIN measurements m ON m.phase_id = p.id
    WHERE )sql";

constexpr const char* kPrompts = R"sql(
    SELECT p.id, q.name, q.text, q.answer, q.answered_by, q.at
    FROM runs r JOIN phases p ON p.run_id = r.id JOIN prompts q ON q.phase_id = p.id
    WHERE )sql";

std::optional<StoredMark> Mark(const QueryStatement& row, int column) {
  if (row.IsNull(column)) return std::nullopt;
  return StoredMark{row.Text(column), row.Integer(column + 1), row.Integer(column + 2)};
}

StoredRun RunAt(const QueryStatement& row) {
  StoredRun run;
  run.id = row.Text(1);
  run.unit = row.Text(2);
  run.plan_name = row.Text(3);
  run.plan_revision = row.OptionalText(4);
  run.station = row.Text(5);
  run.operator_name = row.OptionalText(6);
  run.start = row.Text(7);
  run.end = row.Text(8);
  run.outcome = row.Text(9);
  run.marginal = row.Integer(10) != 0;
  run.message = row.Text(11);
  run.record_file = row.Text(12);
  return run;
}

StoredPhase PhaseAt(const QueryStatement& row) {
  StoredPhase phase;
  phase.name = row.Text(14);
  phase.outcome = row.Text(15);
  phase.message = row.Text(16);
  phase.attempts = row.Integer(17);
  phase.marginal = row.Integer(18) != 0;
  phase.record_begin = Mark(row, 19);
  phase.record_end = Mark(row, 22);
  return phase;
}

StoredMeasurement MeasurementAt(const QueryStatement& row) {
  StoredMeasurement m;
  m.name = row.Text(26);
  m.value = row.OptionalText(27);
  m.units = row.Text(28);
  m.limit_kind = row.Text(29);
  m.low = row.OptionalReal(30);
  m.high = row.OptionalReal(31);
  m.expected_number = row.OptionalReal(32);
  m.expected_text = row.OptionalText(33);
  m.outcome = row.Text(34);
  m.marginal = row.Integer(35) != 0;
  m.message = row.Text(36);
  m.attempt = row.Integer(37);
  return m;
}

// The prompts statement, read along beside the rows: it is in the same order, so a phase's
// prompts are the next rows of it that name the phase.
class PromptCursor {
 public:
  PromptCursor(QueryDatabase& database, const RunFilter& filter)
      : select_(database.Prepare(std::string(kPrompts) + kRunFilterSql + kOrder + "q.idx")) {
    BindRunFilter(*select_, filter);
    more_ = select_->Step();
  }

  void TakeFor(std::int64_t phase_id, StoredPhase& phase) {
    while (more_ && select_->Integer(0) == phase_id) {
      phase.prompts.push_back({select_->Text(1), select_->Text(2), select_->Text(3),
                               select_->Text(4), select_->Text(5)});
      more_ = select_->Step();
    }
  }

 private:
  std::unique_ptr<QueryStatement> select_;
  bool more_ = false;
};

}  // namespace

void ForEachUnitsRuns(QueryDatabase& database, const RunFilter& filter,
                      const std::function<void(std::vector<StoredRun>& runs)>& take) {
  const auto select = database.Prepare(std::string(kRows) + kRunFilterSql + kOrder + "m.idx");
  BindRunFilter(*select, filter);
  const QueryStatement& row = *select;
  PromptCursor prompts(database, filter);
  std::vector<StoredRun> runs;
  std::int64_t run_seq = -1, phase_id = -1;
  while (select->Step()) {
    if (row.Integer(0) != run_seq) {
      run_seq = row.Integer(0);
      phase_id = -1;
      StoredRun run = RunAt(row);
      if (!runs.empty() && runs.back().unit != run.unit) {
        take(runs);
        runs.clear();
      }
      runs.push_back(std::move(run));
    }
    if (row.IsNull(13)) continue;  // a run without phases
    if (row.Integer(13) != phase_id) {
      phase_id = row.Integer(13);
      runs.back().phases.push_back(PhaseAt(row));
      prompts.TakeFor(phase_id, runs.back().phases.back());
    }
    if (!row.IsNull(25)) runs.back().phases.back().measurements.push_back(MeasurementAt(row));
  }
  if (!runs.empty()) take(runs);
}

}  // namespace results
