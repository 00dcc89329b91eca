#include "plan/runner.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "plan/phase_text.h"
#include "plan/record_slice.h"
#include "sender/overloaded.h"

namespace plan {

namespace {

using namespace std::chrono_literals;

// The log pane's control id.
constexpr std::int64_t kLogPane = 1010;
// How often a capture that has not shown yet is looked for again.
constexpr std::chrono::milliseconds kCapturePoll{50};

struct StepEnd {
  Outcome outcome = Outcome::kPass;
  std::string message;
  bool retry = false;  // the operator asked for the phase again
};

StepEnd Ended(Outcome outcome, const Step& step, const std::string& what) {
  return {outcome, "line " + std::to_string(step.line) + ": " + what, false};
}

// An attempt at a phase: where its pane text and record slice begin.
struct Attempt {
  std::string pane_baseline;
  std::optional<RecordMark> record_begin;
  std::string record_error;
};

class PhaseRunner {
 public:
  PhaseRunner(ConsoleLink& link, const TerminalFiles& files, InstrumentBench& instruments,
              Prompter& prompter, const StopRequest& stop, RunObserver& observer,
              PhaseResult& result)
      : link_(link),
        files_(files),
        instruments_(instruments),
        prompter_(prompter),
        stop_(stop),
        observer_(observer),
        result_(result) {}

  // Runs the phase `repeat` times, or until a stop or an error; its outcome is the worst run's,
  // its message the first of those runs'.
  void Run(const Phase& phase) {
    phase_ = &phase;
    result_.name = phase.name;
    result_.start = std::chrono::system_clock::now();
    result_.outcome = Outcome::kPass;
    std::optional<RecordMark> phase_begin;
    for (repeat_ = 1; repeat_ <= phase.repeat; ++repeat_) {
      ++result_.repeats;
      bool marginal = false;
      const StepEnd end = RunAttempts(phase_begin, marginal);
      result_.marginal = result_.marginal || marginal;
      if (Worse(result_.outcome, end.outcome) != result_.outcome) {
        result_.outcome = end.outcome;
        result_.message =
            (phase.repeat > 1 ? "run " + std::to_string(repeat_) + ": " : "") + end.message;
      }
      if (end.outcome == Outcome::kAborted || end.outcome == Outcome::kError) break;
    }
    result_.marginal = result_.marginal && result_.outcome == Outcome::kPass;
    std::string error;
    if (phase_begin) {
      // Bookkeeping after teardown: it goes on through the stop the teardown went on through.
      if (auto mark = link_.Mark(error, 1)) result_.record = RecordSlice{*phase_begin, *mark};
    }
    result_.end = std::chrono::system_clock::now();
  }

 private:
  // One run of the phase: attempt after attempt, setup to teardown, until one passes or none
  // are left. `marginal`: the last attempt passed with a marginal measurement.
  StepEnd RunAttempts(std::optional<RecordMark>& phase_begin, bool& marginal) {
    int failed_attempts = 0;
    for (attempt_ = 1;; ++attempt_) {
      ++result_.attempts;
      observer_.PhaseBegins(*phase_, attempt_, repeat_);
      const std::size_t first_measurement = result_.measurements.size();
      Attempt attempt = Begin();
      if (!phase_begin) phase_begin = attempt.record_begin;
      StepEnd end = attempt_error_.empty() ? RunSteps(phase_->setup, attempt)
                                           : StepEnd{Outcome::kError, attempt_error_};
      if (end.outcome == Outcome::kPass && !end.retry) end = RunSteps(phase_->steps, attempt);
      RunTeardown(phase_->teardown, attempt);
      if (end.outcome == Outcome::kPass && !end.retry && !result_.teardown_message.empty()) {
        end = {Outcome::kError, "teardown: " + result_.teardown_message};
      }
      if (stop_.stopping()) {
        end.outcome = Outcome::kAborted;
        if (end.message.empty()) end.message = "stopped";
        return end;
      }
      if (end.retry) continue;  // the operator's retry does not count against the attempts
      if (end.outcome == Outcome::kPass) {
        marginal = std::any_of(
            result_.measurements.begin() + static_cast<std::ptrdiff_t>(first_measurement),
            result_.measurements.end(),
            [](const MeasurementResult& m) { return m.verdict == Verdict::kMarginal; });
        return end;
      }
      if (++failed_attempts >= phase_->attempts) return end;
    }
  }

  Attempt Begin() {
    Attempt attempt;
    attempt_error_.clear();
    const LinkReply pane = link_.Read(kLogPane, 0);
    if (pane.status != LinkStatus::kDone) {
      attempt_error_ = "the log pane cannot be read: " + pane.message;
    }
    attempt.pane_baseline = pane.text;
    attempt.record_begin = link_.Mark(attempt.record_error, 0);
    return attempt;
  }

  StepEnd RunSteps(const std::vector<Step>& steps, const Attempt& attempt) {
    for (const Step& step : steps) {
      if (stop_.stopping()) return {Outcome::kAborted, "stopped"};
      StepEnd end = RunStep(step, attempt, 0);
      if (end.outcome != Outcome::kPass || end.retry) return end;
    }
    return {};
  }

  // Every teardown step runs, even after one fails; only a second stop skips the rest.
  void RunTeardown(const std::vector<Step>& steps, const Attempt& attempt) {
    result_.teardown_message.clear();
    for (const Step& step : steps) {
      if (stop_.count() >= 2) {
        if (result_.teardown_message.empty()) {
          result_.teardown_message = "line " + std::to_string(step.line) +
                                     ": skipped by a second stop, with what follows it";
        }
        return;
      }
      const StepEnd end = RunStep(step, attempt, 1);
      if (end.outcome != Outcome::kPass && result_.teardown_message.empty()) {
        result_.teardown_message = end.message;
      }
    }
  }

  // `stops_allowed`: how many stops the step goes on through (teardown goes on through one).
  StepEnd RunStep(const Step& step, const Attempt& attempt, int stops_allowed) {
    return std::visit(
        sender::Overloaded{
            [&](const ConsoleStep& console) { return Console(step, console, stops_allowed); },
            [&](const PauseStep& pause) {
              if (stop_.SleepFor(std::chrono::milliseconds(pause.milliseconds), stops_allowed)) {
                return StepEnd{};
              }
              return Ended(Outcome::kAborted, step, "stopped during a pause");
            },
            [&](const ExpectStep& expect) { return Expect(step, expect, attempt, stops_allowed); },
            [&](const MeasureStep& measure) {
              return Measure(step, measure, attempt, stops_allowed);
            },
            [&](const ElapsedStep& elapsed) {
              return Elapsed(step, elapsed, attempt, stops_allowed);
            },
            [&](const PromptStep& prompt) { return Prompt(step, prompt); },
            [&](const FileStep& files) { return Files(step, files, stops_allowed); },
            [&](const InstrumentStep& instrument) {
              return Instrument(step, instrument, stops_allowed);
            },
        },
        step.action);
  }

  StepEnd Console(const Step& step, const ConsoleStep& console, int stops_allowed) {
    const LinkReply reply = link_.Send(console.action, stops_allowed);
    if (reply.status == LinkStatus::kDone) return {};
    const std::string what = std::string(sender::VerbOf(console.action));
    if (reply.status == LinkStatus::kStopped) {
      return Ended(Outcome::kAborted, step, "stopped during " + what);
    }
    if (reply.status == LinkStatus::kUnreachable) {
      return Ended(Outcome::kError, step, what + ": the console is unreachable: " + reply.message);
    }
    return Ended(Outcome::kError, step, what + " refused: " + reply.message);
  }

  StepEnd Expect(const Step& step, const ExpectStep& expect, const Attempt& attempt,
                 int stops_allowed) {
    const std::string& pattern = expect.request.pattern;
    const std::string waited = "/" + pattern + "/ did not show within " +
                               std::to_string(expect.request.timeout_ms) + " ms";
    if (expect.phase) {
      bool found = false;
      StepEnd end = Poll(
          step, MeasureSource::kPane, expect.request.timeout_ms, attempt, stops_allowed,
          [&](const std::string& text, std::string& error) {
            PatternSearch search = expect.phase->Find(text);
            error = search.error;
            return search.match.has_value();
          },
          found);
      if (end.outcome != Outcome::kPass || found) return end;
      return Ended(Outcome::kTimeout, step, waited);
    }
    const LinkReply reply = link_.Expect(expect.request, stops_allowed);
    switch (reply.status) {
      case LinkStatus::kStopped:
        return Ended(Outcome::kAborted, step, "stopped while waiting for /" + pattern + "/");
      case LinkStatus::kDone:
        return {};
      case LinkStatus::kTimedOut:
        return Ended(Outcome::kTimeout, step, waited + "; the pane ends: " + reply.text);
      case LinkStatus::kRefused:
        return Ended(Outcome::kError, step, "expect refused: " + reply.message);
      case LinkStatus::kUnreachable:
        break;
    }
    return Ended(Outcome::kError, step, "expect: the console is unreachable: " + reply.message);
  }

  // The text a capture runs over, now: the pane's since the attempt began, or the record's.
  std::optional<std::string> SourceText(MeasureSource source, const Attempt& attempt,
                                        int stops_allowed, std::string& error) {
    if (source == MeasureSource::kPane) {
      const LinkReply pane = link_.Read(kLogPane, stops_allowed);
      if (pane.status != LinkStatus::kDone) {
        error = "the log pane cannot be read: " + pane.message;
        return std::nullopt;
      }
      return TextAfter(attempt.pane_baseline, pane.text);
    }
    if (!attempt.record_begin) {
      error = "the session record cannot be measured: " + attempt.record_error;
      return std::nullopt;
    }
    const std::optional<RecordMark> now = link_.Mark(error, stops_allowed);
    if (!now) return std::nullopt;
    return ReadRecordSlice(*attempt.record_begin, *now, error);
  }

  // Looks for what `find` wants in the source text until it shows or the time is up. `find`
  // says whether it found it, or sets an error.
  template <typename Find>
  StepEnd Poll(const Step& step, MeasureSource source, std::int64_t timeout_ms,
               const Attempt& attempt, int stops_allowed, Find find, bool& found) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      std::string error;
      const std::optional<std::string> text = SourceText(source, attempt, stops_allowed, error);
      if (!text && stop_.count() > stops_allowed) {
        return Ended(Outcome::kAborted, step, "stopped while measuring");
      }
      if (!text) return Ended(Outcome::kError, step, error);
      found = find(*text, error);
      if (!error.empty()) return Ended(Outcome::kError, step, error);
      if (found || std::chrono::steady_clock::now() >= give_up) return {};
      if (!stop_.SleepFor(kCapturePoll, stops_allowed)) {
        return Ended(Outcome::kAborted, step, "stopped while measuring");
      }
    }
  }

  StepEnd Measure(const Step& step, const MeasureStep& measure, const Attempt& attempt,
                  int stops_allowed) {
    std::optional<PatternMatch> last;
    bool found = false;
    StepEnd end = Poll(
        step, measure.source, measure.timeout_ms, attempt, stops_allowed,
        [&](const std::string& text, std::string& error) {
          last = LastMatch(*measure.capture, text, error);
          return last.has_value();
        },
        found);
    if (end.outcome != Outcome::kPass) return end;
    StepEnd verdict;
    for (const auto& [name, limit] : measure.limits) {
      MeasurementResult result{name, std::nullopt, limit, Verdict::kFail, ""};
      const auto group = last ? last->groups.find(name) : decltype(last->groups.end()){};
      if (!last) {
        result.message = "/" + measure.capture->text() + "/ did not match within " +
                         std::to_string(measure.timeout_ms) + " ms";
      } else if (group == last->groups.end()) {
        result.message = "the group " + name + " took no part in the match";
      } else {
        MeasuredValue value{group->second, ReadNumber(group->second, measure.base)};
        const Judgement judgement = Judge(limit, value);
        result.value = std::move(value);
        result.verdict = judgement.verdict;
        result.message = judgement.why;
      }
      KeepMeasurement(step, std::move(result), verdict);
    }
    return verdict;
  }

  StepEnd Elapsed(const Step& step, const ElapsedStep& elapsed, const Attempt& attempt,
                  int stops_allowed) {
    std::optional<double> milliseconds;
    bool found = false;
    StepEnd end = Poll(
        step, MeasureSource::kRecord, elapsed.timeout_ms, attempt, stops_allowed,
        [&](const std::string& text, std::string& error) {
          milliseconds = ElapsedMilliseconds(*elapsed.from, *elapsed.to, text, error);
          return milliseconds.has_value();
        },
        found);
    if (end.outcome != Outcome::kPass) return end;
    MeasurementResult result{elapsed.name, std::nullopt, elapsed.limit, Verdict::kFail, ""};
    if (milliseconds) {
      char text[32];
      std::snprintf(text, sizeof text, "%.3f", *milliseconds);
      MeasuredValue value{text, milliseconds};
      const Judgement judgement = Judge(elapsed.limit, value);
      result.value = std::move(value);
      result.verdict = judgement.verdict;
      result.message = judgement.why;
    } else {
      result.message = "/" + elapsed.from->text() + "/ then /" + elapsed.to->text() +
                       "/ did not show in the session record within " +
                       std::to_string(elapsed.timeout_ms) + " ms";
    }
    StepEnd verdict;
    KeepMeasurement(step, std::move(result), verdict);
    return verdict;
  }

  StepEnd Prompt(const Step& step, const PromptStep& prompt) {
    std::string why;
    const std::optional<std::string> answer = prompter_.Ask(prompt, stop_, why);
    if (!answer) {
      return Ended(stop_.stopping() ? Outcome::kAborted : Outcome::kError, step, why);
    }
    result_.prompts.push_back(PromptAnswer{prompt.name, prompt.text, *answer,
                                           prompter_.AnsweredBy(),
                                           std::chrono::system_clock::now()});
    switch (prompt.kind) {
      case PromptKind::kConfirm:
        if (*answer == "retry") return {Outcome::kPass, "", true};
        if (*answer == "fail") {
          return Ended(Outcome::kFail, step,
                       "the operator answered fail to \"" + prompt.name + "\"");
        }
        return {};
      case PromptKind::kNumber: {
        MeasuredValue value{*answer, ReadNumber(*answer, NumberBase::kDecimal)};
        const Limit limit = prompt.limit.value_or(Limit{});
        const Judgement judgement = Judge(limit, value);
        StepEnd verdict;
        KeepMeasurement(step,
                        {prompt.name, std::move(value), limit, judgement.verdict, judgement.why},
                        verdict);
        return verdict;
      }
      case PromptKind::kChoice:
        if (prompt.accept.empty() ||
            std::find(prompt.accept.begin(), prompt.accept.end(), *answer) != prompt.accept.end()) {
          return {};
        }
        return Ended(Outcome::kFail, step,
                     "the operator chose \"" + *answer + "\" for \"" + prompt.name + "\"");
    }
    return {};
  }

  // Each check ends the step as soon as one fails.
  StepEnd Files(const Step& step, const FileStep& files, int stops_allowed) {
    const auto count = static_cast<double>(files.paths.size());
    Limit limit;
    switch (files.present) {
      case Presence::kAll:
        limit.check = EqualsLimit{count};
        break;
      case Presence::kAtLeastOne:
        limit.check = RangeLimit{1, count, 0};
        break;
      case Presence::kExactlyOne:
        limit.check = EqualsLimit{1.0};
        break;
      case Presence::kNone:
        limit.check = EqualsLimit{0.0};
        break;
    }
    limit.units = "files";
    StepEnd verdict;
    for (std::int64_t sample = 1; sample <= files.samples; ++sample) {
      if (sample > 1 && !stop_.SleepFor(std::chrono::milliseconds(files.every_ms), stops_allowed)) {
        return Ended(Outcome::kAborted, step, "stopped between the checks of files");
      }
      std::string found;
      int there = 0;
      for (const std::string& path : files.paths) {
        std::string error;
        const std::optional<std::filesystem::path> local = files_.Find(path, error);
        if (!local) return Ended(Outcome::kError, step, path + ": " + error);
        std::error_code ignored;
        if (std::filesystem::is_regular_file(std::filesystem::symlink_status(*local, ignored))) {
          found += (found.empty() ? "" : " ") + path;
          ++there;
        }
      }
      MeasuredValue value{found.empty() ? "none" : found, there};
      const Judgement judgement = Judge(limit, value);
      KeepMeasurement(step,
                      {SampleName(files.name, sample), std::move(value), limit, judgement.verdict,
                       judgement.why},
                      verdict);
      if (verdict.outcome != Outcome::kPass) break;
    }
    return verdict;
  }

  // A write fails on an error the instrument reports; a query's answer is judged as any
  // measurement is. No answer in time, an instrument gone or an answer that is no text (or no
  // number where one is asked) end the step in error.
  StepEnd Instrument(const Step& step, const InstrumentStep& action, int stops_allowed) {
    instrument::Session* session = instruments_.Find(action.role);
    if (session == nullptr) return Ended(Outcome::kError, step, action.role + " is not open");
    const int wake = stop_.WakeDescriptor(stops_allowed);
    instrument::Fault fault;
    if (!action.query) {
      const std::optional<instrument::Fault> failed = session->Write(action.command, wake);
      return failed ? Faulted(step, *failed) : StepEnd{};
    }
    const std::optional<std::string> answer = session->Query(action.command, wake, fault);
    if (!answer) return Faulted(step, fault);
    MeasuredValue value{*answer, std::nullopt};
    if (action.base == NumberBase::kDecimal) {
      // SCPI numbers may carry a sign: "+1.38000E+01".
      const std::string digits = answer->starts_with('+') ? answer->substr(1) : *answer;
      value.number = ReadNumber(digits, NumberBase::kDecimal);
      if (!value.number || !std::isfinite(*value.number)) {
        return Ended(Outcome::kError, step,
                     session->role() + " (" + session->address().text + "): the answer \"" +
                         *answer + "\" to \"" + action.command + "\" is no number");
      }
    }
    const Judgement judgement = Judge(action.limit, value);
    StepEnd verdict;
    KeepMeasurement(step,
                    {action.name, std::move(value), action.limit, judgement.verdict, judgement.why},
                    verdict);
    return verdict;
  }

  StepEnd Faulted(const Step& step, const instrument::Fault& fault) {
    switch (fault.kind) {
      case instrument::Fault::Kind::kStopped:
        return Ended(Outcome::kAborted, step, fault.message);
      case instrument::Fault::Kind::kInstrument:
        return Ended(Outcome::kFail, step, fault.message);
      default:
        return Ended(Outcome::kError, step, fault.message);
    }
  }

  // Keeps a measurement, marked with its attempt and run; the step fails with the first that
  // failed.
  void KeepMeasurement(const Step& step, MeasurementResult result, StepEnd& verdict) {
    if (result.verdict == Verdict::kFail && verdict.outcome == Outcome::kPass) {
      verdict = Ended(Outcome::kFail, step, result.name + ": " + result.message);
    }
    result.attempt = attempt_;
    result.repeat = repeat_;
    observer_.MeasurementJudged(*phase_, result);
    result_.measurements.push_back(std::move(result));
  }

  ConsoleLink& link_;
  const TerminalFiles& files_;
  InstrumentBench& instruments_;
  Prompter& prompter_;
  const StopRequest& stop_;
  RunObserver& observer_;
  PhaseResult& result_;
  const Phase* phase_ = nullptr;
  int repeat_ = 1;   // the run of the phase under way
  int attempt_ = 1;  // its attempt under way
  std::string attempt_error_;
};

// How an outcome that ends the run is told in the skipped phases' message.
std::string_view EndedHow(Outcome outcome) {
  switch (outcome) {
    case Outcome::kFail:
      return "failed";
    case Outcome::kTimeout:
      return "timed out";
    case Outcome::kAborted:
      return "was stopped";
    default:
      return "ended in error";
  }
}

// Whether the run goes on after a phase that ended so: a phase that lets it goes on past a
// failure or a timeout, never past an error or a stop.
bool RunGoesOn(const Phase& phase, Outcome outcome) {
  return outcome == Outcome::kPass || (phase.on_fail == OnFail::kContinue &&
                                       (outcome == Outcome::kFail || outcome == Outcome::kTimeout));
}

// The rank of what ran: a later outcome replaces an earlier one only when it ranks higher.
int Severity(Outcome outcome) {
  switch (outcome) {
    case Outcome::kPass:
    case Outcome::kSkipped:
      return 0;
    case Outcome::kFail:
      return 1;
    case Outcome::kTimeout:
      return 2;
    case Outcome::kError:
      return 3;
    case Outcome::kAborted:
      return 4;
  }
  return 3;
}

}  // namespace

RunObserver& NoRunObserver() {
  static RunObserver nobody;
  return nobody;
}

void RunPlan(const Plan& plan, ConsoleLink& link, const TerminalFiles& files,
             InstrumentBench& instruments, Prompter& prompter, const StopRequest& stop,
             RunResult& result, RunObserver& observer) {
  result.start = std::chrono::system_clock::now();
  result.outcome = Outcome::kPass;
  std::string skipped_because;  // set once a phase has ended the run
  if (std::string error; !instruments.Open(plan.instruments, stop, result.instruments, error)) {
    result.outcome = stop.stopping() ? Outcome::kAborted : Outcome::kError;
    result.message = error;
    skipped_because = "skipped: the instruments are not ready";
  }
  for (const Phase& phase : plan.phases) {
    PhaseResult& phase_result = result.phases.emplace_back();
    if (!skipped_because.empty()) {
      phase_result.name = phase.name;
      phase_result.message = skipped_because;
      observer.PhaseEnds(phase_result);
      continue;
    }
    PhaseRunner(link, files, instruments, prompter, stop, observer, phase_result).Run(phase);
    observer.PhaseEnds(phase_result);
    result.marginal = result.marginal || phase_result.marginal;
    if (Worse(result.outcome, phase_result.outcome) != result.outcome) {
      result.outcome = phase_result.outcome;
      result.message = phase.name + ": " + phase_result.message;
    }
    if (!RunGoesOn(phase, phase_result.outcome)) {
      skipped_because =
          "skipped: phase '" + phase.name + "' " + std::string(EndedHow(phase_result.outcome));
    }
  }
  for (const std::string& fault : instruments.Close()) {
    if (Worse(result.outcome, Outcome::kError) != result.outcome) {
      result.outcome = Outcome::kError;
      result.message = fault;
    }
  }
  if (stop.stopping()) result.outcome = Outcome::kAborted;
  result.marginal = result.marginal && result.outcome == Outcome::kPass;
  result.end = std::chrono::system_clock::now();
  observer.RunEnds(result);
}

Outcome Worse(Outcome a, Outcome b) { return Severity(b) > Severity(a) ? b : a; }

std::string VerdictText(Outcome outcome, bool marginal) {
  std::string text(OutcomeName(outcome));
  if (marginal && outcome == Outcome::kPass) text += " (marginal)";
  return text;
}

std::string_view OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kPass:
      return "PASS";
    case Outcome::kFail:
      return "FAIL";
    case Outcome::kError:
      return "ERROR";
    case Outcome::kTimeout:
      return "TIMEOUT";
    case Outcome::kAborted:
      return "ABORTED";
    case Outcome::kSkipped:
      return "SKIPPED";
  }
  return "ERROR";
}

}  // namespace plan
