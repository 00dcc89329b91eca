// What a run of a plan found, as both reports write it: the run's outcome, and for each phase
// its outcome, times, measurements, prompts with their answers and where its slice of the
// session record lies.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "plan/console_link.h"
#include "plan/limit.h"

namespace plan {

// PASS: everything passed. FAIL: a measurement, a limit or the operator said no. ERROR: the
// console could not be reached or refused a step, or the plan could not go on. TIMEOUT: an
// expected text did not show in time. ABORTED: stopped by Ctrl-C or SIGTERM. SKIPPED: a phase
// that did not run because one before it did not pass.
enum class Outcome { kPass, kFail, kError, kTimeout, kAborted, kSkipped };

std::string_view OutcomeName(Outcome outcome);

using WallTime = std::chrono::system_clock::time_point;

struct MeasurementResult {
  std::string name;
  std::optional<MeasuredValue> value;  // nothing when the capture never matched
  Limit limit;
  Verdict verdict = Verdict::kFail;
  std::string message;  // why it failed
};

struct PromptAnswer {
  std::string name;
  std::string text;
  std::string answer;
  std::string answered_by;  // "operator" or "script"
  WallTime at;
};

struct RecordSlice {
  RecordMark begin;
  RecordMark end;
};

struct PhaseResult {
  std::string name;
  Outcome outcome = Outcome::kSkipped;
  std::string message;  // what went wrong first, with the plan's line
  int attempts = 0;
  WallTime start;
  WallTime end;
  std::vector<MeasurementResult> measurements;  // of the last attempt
  std::vector<PromptAnswer> prompts;            // of every attempt
  std::optional<RecordSlice> record;
  std::string teardown_message;  // a teardown step that failed, or was skipped by a second stop
};

struct RunResult {
  std::string plan_name;
  std::string plan_file;
  std::string unit;
  std::string station;
  std::string console_version;
  std::optional<std::string> board_profile;
  WallTime start;
  WallTime end;
  Outcome outcome = Outcome::kError;
  std::string message;
  std::vector<PhaseResult> phases;
};

}  // namespace plan
