#include <nlohmann/json.hpp>

#include "plan/run_report.h"
#include "sender/overloaded.h"

namespace plan {

namespace {

using nlohmann::json;

json LimitJson(const Limit& limit) {
  return std::visit(sender::Overloaded{
                        [](const NoLimit&) {
                          return json{{"kind", "none"}};
                        },
                        [](const RangeLimit& range) {
                          return json{{"kind", "range"},
                                      {"low", range.low},
                                      {"high", range.high},
                                      {"marginal", range.marginal}};
                        },
                        [](const EqualsLimit& equals) {
                          json value;
                          std::visit([&](const auto& v) { value = v; }, equals.value);
                          return json{{"kind", "equals"}, {"value", value}};
                        },
                        [](const MatchesLimit& matches) {
                          return json{{"kind", "matches"}, {"pattern", matches.pattern->text()}};
                        },
                    },
                    limit.check);
}

json MeasurementJson(const MeasurementResult& measurement) {
  json value = nullptr, number = nullptr;
  if (measurement.value) {
    value = measurement.value->text;
    if (measurement.value->number) number = *measurement.value->number;
  }
  return {{"name", measurement.name},
          {"value", value},
          {"number", number},
          {"units", measurement.limit.units},
          {"limit", LimitJson(measurement.limit)},
          {"outcome", measurement.verdict == Verdict::kFail ? "FAIL" : "PASS"},
          {"marginal", measurement.verdict == Verdict::kMarginal},
          {"message", measurement.message},
          {"attempt", measurement.attempt},
          {"repeat", measurement.repeat}};
}

json MarkJson(const RecordMark& mark, const std::filesystem::path& folder) {
  return {{"file", PathInRecord(mark.file, folder)},
          {"offset", mark.offset},
          {"sequence", mark.sequence}};
}

json PhaseJson(const PhaseResult& phase, const std::filesystem::path& folder) {
  const bool ran = phase.outcome != Outcome::kSkipped;
  json result = {{"name", phase.name},
                 {"outcome", OutcomeName(phase.outcome)},
                 {"message", phase.message},
                 {"attempts", phase.attempts},
                 {"repeats", phase.repeats},
                 {"marginal", phase.marginal},
                 {"start", ran ? json(WallTimeText(phase.start)) : json(nullptr)},
                 {"end", ran ? json(WallTimeText(phase.end)) : json(nullptr)},
                 {"teardown_message", phase.teardown_message},
                 {"measurements", json::array()},
                 {"prompts", json::array()},
                 {"record", nullptr}};
  for (const auto& measurement : phase.measurements) {
    result["measurements"].push_back(MeasurementJson(measurement));
  }
  for (const auto& prompt : phase.prompts) {
    result["prompts"].push_back({{"name", prompt.name},
                                 {"text", prompt.text},
                                 {"answer", prompt.answer},
                                 {"answered_by", prompt.answered_by},
                                 {"at", WallTimeText(prompt.at)}});
  }
  if (phase.record) {
    result["record"] = {{"begin", MarkJson(phase.record->begin, folder)},
                        {"end", MarkJson(phase.record->end, folder)}};
  }
  return result;
}

}  // namespace

std::string JsonReport(const RunResult& run, const std::filesystem::path& folder) {
  const std::optional<std::string> board =
      run.board_profile ? std::optional(PathInRecord(*run.board_profile, folder)) : std::nullopt;
  json report = {
      {"schema_version", kReportSchemaVersion},
      {"plan",
       {{"name", run.plan_name},
        {"file", PathInRecord(run.plan_file, folder)},
        {"revision", run.plan_revision.empty() ? json() : json(run.plan_revision)}}},
      {"unit", run.unit},
      {"station", run.station},
      {"operator", run.operator_name.empty() ? json() : json(run.operator_name)},
      {"start", WallTimeText(run.start)},
      {"end", WallTimeText(run.end)},
      {"outcome", OutcomeName(run.outcome)},
      {"marginal", run.marginal},
      {"message", run.message},
      {"console",
       {{"version", run.console_version}, {"board_profile", board ? json(*board) : json()}}},
      {"phases", json::array()}};
  if (!run.run_id.empty()) report["run_id"] = run.run_id;
  if (!run.instruments.empty() || !run.instrument_log.empty()) {
    report["instruments"] = json::array();
    for (const InstrumentIdentity& instrument : run.instruments) {
      report["instruments"].push_back(
          {{"role", instrument.role}, {"address", instrument.address}, {"idn", instrument.idn}});
    }
    report["instrument_log"] =
        run.instrument_log.empty() ? json() : json(PathInRecord(run.instrument_log, folder));
  }
  for (const auto& phase : run.phases) report["phases"].push_back(PhaseJson(phase, folder));
  // Texts from the console need not be UTF-8; they are written with U+FFFD in their place.
  return report.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace plan
