#include "results/record_reader.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "results/run_id.h"

namespace results {

namespace {

using nlohmann::json;

// Whether `text` is a time as records write it: UTC with milliseconds, 2026-12-09T22:15:03.123Z.
bool IsRecordTime(std::string_view text) {
  constexpr std::string_view kForm = "0000-00-00T00:00:00.000Z";
  if (text.size() != kForm.size()) return false;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const bool digit = text[at] >= '0' && text[at] <= '9';
    if (kForm[at] == '0' ? !digit : text[at] != kForm[at]) return false;
  }
  return true;
}

// Reads the fields of one JSON object, naming the field at fault in a refusal by its path.
// Optional*: nothing where the field is null or, with `missing_allowed`, missing.
class Fields {
 public:
  Fields(const json& object, std::string path) : object_(object), path_(std::move(path)) {
    if (!object.is_object()) Refuse(path_, "is not an object");
  }

  [[noreturn]] static void Refuse(const std::string& path, const std::string& why) {
    throw RecordRefusal((path.empty() ? "the record" : path) + " " + why);
  }

  std::string At(const std::string& key) const { return path_ + "/" + key; }

  // The field; nothing where it is missing and may be, or null and may be.
  const json* Find(const std::string& key, bool missing_allowed, bool null_allowed) const {
    const auto found = object_.find(key);
    if (found == object_.end()) {
      if (!missing_allowed) Refuse(At(key), "is missing");
      return nullptr;
    }
    if (found->is_null()) {
      if (!null_allowed) Refuse(At(key), "is null");
      return nullptr;
    }
    return &*found;
  }

  std::optional<std::string> OptionalText(const std::string& key,
                                          bool missing_allowed = true) const {
    return Typed<std::string>(Find(key, missing_allowed, true), key, &json::is_string, "a text");
  }
  std::string Text(const std::string& key) const {
    return *Typed<std::string>(Find(key, false, false), key, &json::is_string, "a text");
  }

  std::optional<double> OptionalNumber(const std::string& key) const {
    return Typed<double>(Find(key, false, true), key, &json::is_number, "a number");
  }
  double Number(const std::string& key) const {
    return *Typed<double>(Find(key, false, false), key, &json::is_number, "a number");
  }

  std::int64_t Count(const std::string& key, std::int64_t fallback, bool missing_allowed) const {
    const json* value = Find(key, missing_allowed, false);
    if (!value) return fallback;
    if (!value->is_number_unsigned() ||
        value->get<std::uint64_t>() > std::uint64_t{std::numeric_limits<std::int64_t>::max()}) {
      Refuse(At(key), "is not a count");
    }
    return value->get<std::int64_t>();
  }

  bool Flag(const std::string& key, bool missing_allowed) const {
    const json* value = Find(key, missing_allowed, false);
    return value && *Typed<bool>(value, key, &json::is_boolean, "true or false");
  }

  const json& Array(const std::string& key) const {
    const json* value = Find(key, false, false);
    if (!value->is_array()) Refuse(At(key), "is not a list");
    return *value;
  }

  Fields Object(const std::string& key) const { return {*Find(key, false, false), At(key)}; }
  std::optional<Fields> OptionalObject(const std::string& key) const {
    const json* value = Find(key, false, true);
    if (!value) return std::nullopt;
    return std::optional<Fields>(std::in_place, *value, At(key));
  }

  // A text that must be one of `allowed`.
  std::string OneOf(const std::string& key, std::initializer_list<std::string_view> allowed) const {
    std::string text = Text(key);
    if (std::find(allowed.begin(), allowed.end(), text) == allowed.end()) {
      Refuse(At(key), "is not one of the values a record holds");
    }
    return text;
  }

  std::optional<std::string> OptionalTime(const std::string& key) const {
    auto text = OptionalText(key, false);
    if (text && !IsRecordTime(*text)) Refuse(At(key), "is not a UTC time with milliseconds");
    return text;
  }
  std::string Time(const std::string& key) const {
    std::string text = Text(key);
    if (!IsRecordTime(text)) Refuse(At(key), "is not a UTC time with milliseconds");
    return text;
  }

 private:
  template <typename T>
  std::optional<T> Typed(const json* value, const std::string& key, bool (json::*is)() const,
                         const char* kind) const {
    if (!value) return std::nullopt;
    if (!(value->*is)()) Refuse(At(key), std::string("is not ") + kind);
    return value->get<T>();
  }

  const json& object_;
  std::string path_;
};

StoredMark ReadMark(const Fields& mark) {
  return {mark.Text("file"), mark.Count("offset", 0, false), mark.Count("sequence", 0, false)};
}

void ReadLimit(const Fields& limit, StoredMeasurement& measurement) {
  measurement.limit_kind = limit.OneOf("kind", {"none", "range", "equals", "matches"});
  if (measurement.limit_kind == "range") {
    measurement.low = limit.Number("low");
    measurement.high = limit.Number("high");
    measurement.marginal_band = limit.Number("marginal");
  } else if (measurement.limit_kind == "equals") {
    const json& value = *limit.Find("value", false, false);
    if (value.is_number()) {
      measurement.expected_number = value.get<double>();
    } else {
      measurement.expected_text = limit.Text("value");
    }
  } else if (measurement.limit_kind == "matches") {
    measurement.expected_text = limit.Text("pattern");
  }
}

StoredMeasurement ReadMeasurement(const Fields& fields) {
  StoredMeasurement measurement;
  measurement.name = fields.Text("name");
  measurement.value = fields.OptionalText("value", false);
  measurement.number = fields.OptionalNumber("number");
  measurement.units = fields.Text("units");
  ReadLimit(fields.Object("limit"), measurement);
  measurement.outcome = fields.OneOf("outcome", {"PASS", "FAIL"});
  measurement.marginal = fields.Flag("marginal", false);
  measurement.message = fields.Text("message");
  measurement.attempt = fields.Count("attempt", 1, true);
  measurement.repeat = fields.Count("repeat", 1, true);
  return measurement;
}

StoredPrompt ReadPrompt(const Fields& fields) {
  return {fields.Text("name"), fields.Text("text"), fields.Text("answer"),
          fields.OneOf("answered_by", {"operator", "script"}), fields.Time("at")};
}

StoredPhase ReadPhase(const Fields& fields) {
  StoredPhase phase;
  phase.name = fields.Text("name");
  phase.outcome =
      fields.OneOf("outcome", {"PASS", "FAIL", "ERROR", "TIMEOUT", "ABORTED", "SKIPPED"});
  phase.message = fields.Text("message");
  phase.attempts = fields.Count("attempts", 0, false);
  // A version 1 record ran a phase at most once.
  phase.repeats = fields.Count("repeats", phase.outcome == "SKIPPED" ? 0 : 1, true);
  phase.marginal = fields.Flag("marginal", true);
  phase.start = fields.OptionalTime("start");
  phase.end = fields.OptionalTime("end");
  phase.teardown_message = fields.Text("teardown_message");
  if (auto record = fields.OptionalObject("record")) {
    phase.record_begin = ReadMark(record->Object("begin"));
    phase.record_end = ReadMark(record->Object("end"));
  }
  const json& measurements = fields.Array("measurements");
  for (std::size_t at = 0; at < measurements.size(); ++at) {
    phase.measurements.push_back(
        ReadMeasurement({measurements[at], fields.At("measurements/" + std::to_string(at))}));
  }
  const json& prompts = fields.Array("prompts");
  for (std::size_t at = 0; at < prompts.size(); ++at) {
    phase.prompts.push_back(ReadPrompt({prompts[at], fields.At("prompts/" + std::to_string(at))}));
  }
  return phase;
}

}  // namespace

StoredRun ReadRecord(std::string_view text, const std::string& record_file) {
  const json document = json::parse(text, nullptr, false);
  if (document.is_discarded()) throw RecordRefusal("is not JSON");
  const Fields fields(document, "");
  StoredRun run;
  run.schema_version = fields.Count("schema_version", 0, false);
  if (run.schema_version != 1 && run.schema_version != 2) {
    Fields::Refuse("/schema_version", "is not a version this program reads (1 or 2)");
  }
  if (auto id = fields.OptionalText("run_id")) {
    if (!IsRunId(*id)) Fields::Refuse("/run_id", "is not 32 lowercase hex digits");
    run.id = *id;
  } else {
    run.id = DerivedRunId(text);
  }
  const Fields plan = fields.Object("plan");
  run.plan_name = plan.Text("name");
  run.plan_file = plan.Text("file");
  run.plan_revision = plan.OptionalText("revision");
  run.unit = fields.Text("unit");
  if (run.unit.empty()) Fields::Refuse("/unit", "is empty");
  run.station = fields.Text("station");
  run.operator_name = fields.OptionalText("operator");
  run.start = fields.Time("start");
  run.end = fields.Time("end");
  run.outcome = fields.OneOf("outcome", {"PASS", "FAIL", "ERROR", "TIMEOUT", "ABORTED"});
  run.marginal = fields.Flag("marginal", true);
  run.message = fields.Text("message");
  const Fields console = fields.Object("console");
  run.console_version = console.Text("version");
  run.board_profile = console.OptionalText("board_profile", false);
  run.record_file = record_file;
  const json& phases = fields.Array("phases");
  for (std::size_t at = 0; at < phases.size(); ++at) {
    run.phases.push_back(ReadPhase({phases[at], "/phases/" + std::to_string(at)}));
  }
  return run;
}

}  // namespace results
