// One unit's history: every run of it, oldest first, with what went wrong in each: the phases
// that did not pass or held a failed measurement, and those measurements with their values and
// limits. The unit is matched exactly as it was given to the run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/query_database.h"

namespace results {

struct FailedMeasurement {
  std::string name;
  std::optional<std::string> value;
  std::string units;
  std::optional<double> low, high;
  std::string message;
  std::int64_t attempt = 1;
  bool operator==(const FailedMeasurement&) const = default;
};

struct FailedPhase {
  std::string name;
  std::string outcome;
  std::string message;
  std::vector<FailedMeasurement> measurements;
  bool operator==(const FailedPhase&) const = default;
};

struct HistoryRun {
  std::string id;
  std::string plan;
  std::optional<std::string> revision;
  std::string station;
  std::optional<std::string> operator_name;
  std::string start, end;
  std::string outcome;
  bool marginal = false;
  std::string message;
  std::vector<FailedPhase> failed;
  bool operator==(const HistoryRun&) const = default;
};

// Empty when the store has no run of `unit`.
std::vector<HistoryRun> QueryHistory(QueryDatabase& database, const std::string& unit);

}  // namespace results
