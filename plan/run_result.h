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
// that did not run because one before it ended the run.
enum class Outcome { kPass, kFail, kError, kTimeout, kAborted, kSkipped };

std::string_view OutcomeName(Outcome outcome);

// The worse of two outcomes of what ran: PASS, FAIL, TIMEOUT, ERROR, ABORTED in that order.
Outcome Worse(Outcome a, Outcome b);

// The outcome as a person reads it: "PASS (marginal)" for a pass with a marginal measurement.
std::string VerdictText(Outcome outcome, bool marginal);

using WallTime = std::chrono::system_clock::time_point;

struct MeasurementResult {
  std::string name;
  std::optional<MeasuredValue> value;  // nothing when the capture never matched
  Limit limit;
  Verdict verdict = Verdict::kFail;
  std::string message;  // why it failed
  int attempt = 1;      // which attempt of its run took it, from 1
  int repeat = 1;       // which run of a repeated phase, from 1
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
  std::string message;  // what went wrong first, with the plan's line; why it was skipped
  int attempts = 0;     // of every run together
  WallTime start;
  WallTime end;
  std::vector<MeasurementResult> measurements;  // of every attempt of every run, in order
  std::vector<PromptAnswer> prompts;            // of every attempt
  std::optional<RecordSlice> record;
  std::string teardown_message;  // a teardown step that failed, or was skipped by a second stop
  int repeats = 0;               // runs of the phase made
  bool marginal = false;         // passed, with a marginal measurement in a run's last attempt
};

// An instrument the run opened: its role, where it was reached, and what it answered *IDN? with.
struct InstrumentIdentity {
  std::string role;
  std::string address;
  std::string idn;
};

struct RunResult {
  std::string plan_name;
  std::string plan_file;
  std::string unit;
  std::string station;
  std::string operator_name;  // who tested the unit at the station; empty when not known
  std::string console_version;
  std::optional<std::string> board_profile;
  WallTime start;
  WallTime end;
  Outcome outcome = Outcome::kError;
  std::string message;
  std::vector<PhaseResult> phases;
  std::string plan_revision;  // "sha256:<hex>" of the plan and what it names; empty if unknown
  bool marginal = false;      // passed, with a marginal phase
  std::string run_id;         // unique across stations, the same in every copy; empty: none
  std::vector<InstrumentIdentity> instruments;  // in the order they were opened
  std::string instrument_log;                   // the file of every exchange with them; empty: none
};

}  // namespace plan
