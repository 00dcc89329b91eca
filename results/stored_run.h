// A run as the results store holds it, field for field as its JSON record has it: texts and
// numbers only, times as the record writes them (UTC with milliseconds), paths relative to the
// records' folder. The store takes runs in this shape whether they come from a run that just
// ended or from a folder of old records, so both store the same rows for the same run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace results {

struct StoredMeasurement {
  std::string name;
  std::optional<std::string> value;  // the text as captured; nothing when it never matched
  std::optional<double> number;      // the value read as a number
  std::string units;
  std::string limit_kind;                          // "none", "range", "equals" or "matches"
  std::optional<double> low, high, marginal_band;  // a range's
  std::optional<double> expected_number;           // an "equals" of a number
  std::optional<std::string> expected_text;        // an "equals" of a text, or the pattern
  std::string outcome;                             // "PASS" or "FAIL"
  bool marginal = false;
  std::string message;
  std::int64_t attempt = 1;
  std::int64_t repeat = 1;
  bool operator==(const StoredMeasurement&) const = default;
};

struct StoredPrompt {
  std::string name;
  std::string text;
  std::string answer;
  std::string answered_by;  // "operator" or "script"
  std::string at;
  bool operator==(const StoredPrompt&) const = default;
};

// A position in the session record: its file (relative to the records' folder), the byte offset
// and the line's sequence number.
struct StoredMark {
  std::string file;
  std::int64_t offset = 0;
  std::int64_t sequence = 0;
  bool operator==(const StoredMark&) const = default;
};

struct StoredPhase {
  std::string name;
  std::string outcome;  // as the run's, or "SKIPPED"
  std::string message;  // what went wrong first; why it was skipped
  std::int64_t attempts = 0;
  std::int64_t repeats = 0;
  bool marginal = false;
  std::optional<std::string> start, end;  // nothing for a skipped phase
  std::string teardown_message;
  std::optional<StoredMark> record_begin, record_end;
  std::vector<StoredMeasurement> measurements;
  std::vector<StoredPrompt> prompts;
  bool operator==(const StoredPhase&) const = default;
};

struct StoredRun {
  std::string id;  // unique across stations: see run_id.h
  std::int64_t schema_version = 2;
  std::string unit;
  std::string plan_name;
  std::string plan_file;
  std::optional<std::string> plan_revision;
  std::string station;
  std::optional<std::string> operator_name;
  std::string console_version;
  std::optional<std::string> board_profile;
  std::string start, end;
  std::string outcome;  // PASS, FAIL, ERROR, TIMEOUT or ABORTED
  bool marginal = false;
  std::string message;
  std::string record_file;  // the JSON record, relative to the records' folder
  std::vector<StoredPhase> phases;
  bool operator==(const StoredRun&) const = default;
};

}  // namespace results
