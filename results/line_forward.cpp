#include "results/line_forward.h"

#include <chrono>

#include "plan/run_report.h"

namespace results {

namespace {

void ForwardMeasurements(LineConnection& line, const std::string& phase_id,
                         const StoredPhase& phase) {
  for (std::size_t at = 0; at < phase.measurements.size(); ++at) {
    const StoredMeasurement& m = phase.measurements[at];
    line.Execute(R"sql(
        INSERT INTO measurements (phase_id, idx, name, value_text, value_number, units,
          limit_kind, low, high, marginal_band, expected_number, expected_text, outcome, marginal,
          message, attempt, repeat)
        VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17))sql",
                 LineParams().AddAll(phase_id, static_cast<std::int64_t>(at), m.name, m.value,
                                     m.number, m.units, m.limit_kind, m.low, m.high,
                                     m.marginal_band, m.expected_number, m.expected_text, m.outcome,
                                     m.marginal, m.message, m.attempt, m.repeat));
  }
}

void ForwardPrompts(LineConnection& line, const std::string& phase_id, const StoredPhase& phase) {
  for (std::size_t at = 0; at < phase.prompts.size(); ++at) {
    const StoredPrompt& p = phase.prompts[at];
    line.Execute(R"sql(
        INSERT INTO prompts (phase_id, idx, name, text, answer, answered_by, at)
        VALUES ($1, $2, $3, $4, $5, $6, $7))sql",
                 LineParams().AddAll(phase_id, static_cast<std::int64_t>(at), p.name, p.text,
                                     p.answer, p.answered_by, p.at));
  }
}

// A mark's three values, NULL for no mark.
void AddMark(LineParams& params, const std::optional<StoredMark>& mark) {
  params.Add(mark ? std::optional(mark->file) : std::nullopt)
      .Add(mark ? std::optional(mark->offset) : std::nullopt)
      .Add(mark ? std::optional(mark->sequence) : std::nullopt);
}

void ForwardPhases(LineConnection& line, const StoredRun& run) {
  for (std::size_t at = 0; at < run.phases.size(); ++at) {
    const StoredPhase& phase = run.phases[at];
    LineParams params;
    params.AddAll(run.id, static_cast<std::int64_t>(at), phase.name, phase.outcome, phase.message,
                  phase.attempts, phase.repeats, phase.marginal, phase.start, phase.end,
                  phase.teardown_message);
    AddMark(params, phase.record_begin);
    AddMark(params, phase.record_end);
    LineResult inserted = line.Execute(R"sql(
        INSERT INTO phases (run_id, idx, name, outcome, message, attempts, repeats, marginal,
          started_at, ended_at, teardown_message, record_begin_file, record_begin_offset,
          record_begin_sequence, record_end_file, record_end_offset, record_end_sequence)
        VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17)
        RETURNING id)sql",
                                       params);
    const std::string phase_id = inserted.Text(0, 0);
    ForwardMeasurements(line, phase_id, phase);
    ForwardPrompts(line, phase_id, phase);
  }
}

}  // namespace

LineOutcome ForwardRun(LineConnection& line, const StoredRun& run) {
  LineTransaction transaction(line);
  LineResult inserted = line.Execute(
      R"sql(
      INSERT INTO runs (id, schema_version, unit, plan_name, plan_file, plan_revision, station,
        operator, console_version, board_profile, started_at, ended_at, outcome, marginal,
        message, record_file, stored_at)
      VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17)
      ON CONFLICT (id) DO NOTHING
      RETURNING id)sql",
      LineParams().AddAll(run.id, run.schema_version, run.unit, run.plan_name, run.plan_file,
                          run.plan_revision, run.station, run.operator_name, run.console_version,
                          run.board_profile, run.start, run.end, run.outcome, run.marginal,
                          run.message, run.record_file,
                          plan::WallTimeText(std::chrono::system_clock::now())));
  if (inserted.Rows() == 0) return LineOutcome::kAlreadyThere;
  ForwardPhases(line, run);
  transaction.Commit();
  return LineOutcome::kStored;
}

std::vector<std::string> UnforwardedRuns(ResultsStore& store) {
  Statement select(store.database(), "SELECT id FROM runs WHERE forwarded_at IS NULL ORDER BY seq");
  std::vector<std::string> ids;
  while (select.Step()) ids.push_back(select.Text(0));
  return ids;
}

ForwardCount ForwardPending(ResultsStore& store, LineConnection& line,
                            const std::function<bool()>& keep_going) {
  ForwardCount count;
  Statement mark(store.database(), "UPDATE runs SET forwarded_at = ?2 WHERE id = ?1");
  for (const std::string& id : UnforwardedRuns(store)) {
    if (!keep_going()) break;
    const auto run = store.Load(id);
    if (!run) continue;  // removed since the look
    const LineOutcome outcome = ForwardRun(line, *run);
    ++(outcome == LineOutcome::kStored ? count.stored : count.already_there);
    mark.BindAll(id, plan::WallTimeText(std::chrono::system_clock::now())).Run();
  }
  return count;
}

}  // namespace results
