// A test plan as the runner carries it out: phases run in order, each with setup steps, steps and
// teardown steps, where teardown runs whatever happened before it. Steps drive the console
// (clicks, window messages, typing, selections), wait (a pause, an expected text), take
// measurements with limits, check files on the terminal's volumes, or ask the operator. The
// reader builds it from a plan file and has already checked everything that can be checked
// without the console.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "plan/limit.h"
#include "plan/pattern.h"
#include "sender/protocol.h"

namespace plan {

// A click, a window message, typing or a selection, as an outside sender hands it to the
// console (checked against the protocol's ranges when the plan is read).
struct ConsoleStep {
  sender::Action action;
};
struct PauseStep {
  std::int64_t milliseconds = 0;
};

// Waits for a text to show. With `phase` (the default) the runner looks for `pattern` in the
// pane's text since the phase's attempt began; otherwise the console waits for `request`, whose
// scope is the pane's text that arrives after the step begins ("new"), the pane's whole text
// ("whole") or the message boxes ("box").
struct ExpectStep {
  std::shared_ptr<const Pattern> phase;
  sender::ExpectRequest request;
};

// Where a measurement's text comes from: the log pane's text since the phase began, or the
// phase's slice of the session record.
enum class MeasureSource { kPane, kRecord };

// How a captured text is read as a number.
enum class NumberBase { kText, kDecimal, kHex };

// A capture whose named groups each give one measurement, judged by the limit of that name.
struct MeasureStep {
  std::shared_ptr<const Pattern> capture;
  MeasureSource source = MeasureSource::kPane;
  NumberBase base = NumberBase::kDecimal;
  std::int64_t timeout_ms = 5000;       // how long the capture may take to appear
  std::map<std::string, Limit> limits;  // by group name; the reader checks both sides match
};

// The time between a session-record line matching `from` and the next one matching `to`, in
// milliseconds, from the lines' monotonic clock.
struct ElapsedStep {
  std::string name;
  std::shared_ptr<const Pattern> from;
  std::shared_ptr<const Pattern> to;
  std::int64_t timeout_ms = 5000;
  Limit limit;
};

enum class PromptKind { kConfirm, kNumber, kChoice };

// A question to the operator. Confirm offers OK, Fail and Retry (Retry runs the phase again); a
// number's answer is judged by `limit` when there is one; a choice's by `accept` when not empty.
// `picture` (a PNG or JPEG, absolute) shows the operator what to do, where the prompter can.
struct PromptStep {
  std::string name;
  std::string text;
  PromptKind kind = PromptKind::kConfirm;
  std::vector<std::string> choices;
  std::vector<std::string> accept;
  std::optional<Limit> limit;
  std::optional<std::filesystem::path> picture;
};

// Which of a file step's files must be there at each check.
enum class Presence { kAll, kAtLeastOne, kExactlyOne, kNone };

// Files on the terminal's volumes, by the terminal's paths ("\SDMMC\rwtest.txt"), checked
// `samples` times `every_ms` apart. Each check is a measurement NAME[k] (from 1): how many of
// the files were there, judged by `present`, with the paths found as its text.
struct FileStep {
  std::string name;
  std::vector<std::string> paths;
  Presence present = Presence::kAll;
  std::int64_t samples = 1;
  std::int64_t every_ms = 1000;
};

// The measurement's name for a file step's check number `sample`.
inline std::string SampleName(const std::string& name, std::int64_t sample) {
  return name + "[" + std::to_string(sample) + "]";
}

// A SCPI command line written to an instrument (its error queue read after it: an error it
// reports fails the step), or a query whose answer is the measurement `name`, judged by `limit`.
struct InstrumentStep {
  std::string role;
  std::string command;
  bool query = false;
  std::string name;  // a query's measurement
  NumberBase base = NumberBase::kDecimal;
  Limit limit;
};

using StepAction = std::variant<ConsoleStep, PauseStep, ExpectStep, MeasureStep, ElapsedStep,
                                PromptStep, FileStep, InstrumentStep>;

struct Step {
  StepAction action;
  int line = 0;  // where the plan file gives it, for the report's messages
};

// What a phase that ends FAIL or TIMEOUT does to the run: ends it (the phases after it are
// skipped), or lets it go on to collect every defect of the unit. A console that is gone or a
// stop ends the run either way.
enum class OnFail { kStop, kContinue };

struct Phase {
  std::string name;
  int attempts = 1;  // a failing phase runs again, setup to teardown, up to this many times
  std::vector<Step> setup;
  std::vector<Step> steps;
  std::vector<Step> teardown;
  int repeat = 1;  // runs of the phase, whatever each ends in, every measurement kept
  OnFail on_fail = OnFail::kStop;
};

// An instrument the plan drives, by its role: where it is reached (a station may cable it
// elsewhere), the identity it must answer *IDN? with, how long an exchange may take, and the
// command that leaves it safe when the run ends, whatever happened.
struct Instrument {
  std::string role;
  std::string address;
  std::shared_ptr<const Pattern> idn;
  std::int64_t timeout_ms = 2000;
  std::string safe;  // empty: none
  int line = 0;
};

struct Plan {
  std::string name;
  std::filesystem::path file;
  std::optional<std::filesystem::path> board;               // the profile the plan needs, absolute
  std::map<std::string, std::vector<std::string>> answers;  // scripted, by prompt name, in order
  std::vector<Phase> phases;
  std::shared_ptr<const Pattern> unit_pattern;  // a unit's serial number must match it whole
  std::vector<Instrument> instruments;          // opened before the first phase, in this order
};

}  // namespace plan
