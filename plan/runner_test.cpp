// The runner's rules against an in-memory console: attempts, repeats, teardown whatever happened,
// stops, phases that let the run go on, skipped phases with why, verdicts and marginal passes,
// timeouts, measurements from the pane and from the record, and what the observer hears.
#include "plan/runner.h"

#include <gtest/gtest.h>

#include "instrument/testing_responder.h"
#include "plan/testing_console_link.h"
#include "plan/testing_pattern.h"
#include "testing/temp_dir.h"

namespace {

using plan::LinkStatus;
using plan::Outcome;
using testing_support::CommandEffect;
using testing_support::Compiled;

plan::Step Click(std::int64_t id, int line) {
  return {plan::ConsoleStep{sender::CommandRequest{id}}, line};
}

plan::Step Confirm(const std::string& name, int line) {
  return {plan::PromptStep{name, name + "?", plan::PromptKind::kConfirm, {}, {}, {}, {}}, line};
}

plan::Limit Range(double low, double high, double marginal = 0) {
  return {plan::RangeLimit{low, high, marginal}, "V"};
}

// A number the operator reads off a meter, judged by `limit`: one measurement for each answer.
plan::Step Reading(const std::string& name, plan::Limit limit, int line) {
  return {plan::PromptStep{name, name + "?", plan::PromptKind::kNumber, {}, {}, limit, {}}, line};
}

// A phase of `steps` that runs `repeat` times and does `on_fail` when it fails.
plan::Phase PhaseOf(const std::string& name, std::vector<plan::Step> steps, int attempts = 1,
                    int repeat = 1, plan::OnFail on_fail = plan::OnFail::kStop) {
  return {name, attempts, {}, std::move(steps), {Click(8, 90)}, repeat, on_fail};
}

// A record line at `seconds` on the monotonic clock.
std::string RecordLine(double seconds, const std::string& what) {
  return "2024-05-01T03:34:56.000Z " + std::to_string(seconds) + " 1 " + what + "\n";
}

// A console, its record and volumes, and a stop of their own: one for each case.
struct Bench {
  plan::RunResult Run(const std::vector<plan::Phase>& phases,
                      std::map<std::string, std::vector<std::string>> answers = {},
                      std::vector<plan::Instrument> instruments = {}) {
    plan::ScriptedPrompter prompter(std::move(answers));
    plan::RunResult result;
    plan::InstrumentBench bench({}, exchanges);
    plan::RunPlan({"plan", "plan.toml", std::nullopt, {}, phases, nullptr, std::move(instruments)},
                  link, files, bench, prompter, stop, result, observer);
    return result;
  }

  // Every exchange with the run's instruments, "ROLE: SENT -> ANSWER".
  struct Exchanges : instrument::ExchangeSink {
    void Add(const instrument::Exchange& e) override {
      lines.push_back(e.role + ": " + e.sent + (e.answer ? " -> " + *e.answer : ""));
    }
    std::vector<std::string> lines;
  } exchanges;

  // What the run told its observer, one line a report.
  struct Journal : plan::RunObserver {
    void PhaseBegins(const plan::Phase& phase, int attempt, int repeat) override {
      lines.push_back("begin " + phase.name + " " + std::to_string(repeat) + "." +
                      std::to_string(attempt));
    }
    void MeasurementJudged(const plan::Phase& phase, const plan::MeasurementResult& m) override {
      lines.push_back("judged " + phase.name + " " + m.name + " " +
                      (m.value ? m.value->text : "(none)"));
    }
    void PhaseEnds(const plan::PhaseResult& result) override {
      lines.push_back("end " + result.name + " " + std::string(plan::OutcomeName(result.outcome)));
    }
    void RunEnds(const plan::RunResult& result) override {
      lines.push_back("run " + std::string(plan::OutcomeName(result.outcome)));
    }
    std::vector<std::string> lines;
  } observer;

  testing_support::TempDir folder;
  plan::StopRequest stop;
  testing_support::MemoryConsoleLink link{folder.path() / "session.log", stop};
  testing_support::MemoryTerminalFiles files;
};

TEST(RunnerTest, FailingPhaseRunsAgainFromSetupToTeardownWhileAttemptsAreLeft) {
  const struct {
    int attempts;
    std::vector<std::string> answers;
    Outcome outcome;
    int ran;
  } kCases[] = {
      {3, {"fail", "ok"}, Outcome::kPass, 2},
      {2, {"fail", "fail", "ok"}, Outcome::kFail, 2},
      {1, {"fail", "ok"}, Outcome::kFail, 1},
      // The operator's retry runs the phase again without counting against its attempts.
      {1, {"retry", "retry", "ok"}, Outcome::kPass, 3},
  };
  for (const auto& c : kCases) {
    Bench bench;
    const plan::Phase phase{
        "checks", c.attempts, {Click(1, 2)}, {Confirm("looks", 3)}, {Click(4, 5)}};
    const plan::RunResult result = bench.Run({phase}, {{"looks", c.answers}});
    SCOPED_TRACE(c.answers.front() + " of " + std::to_string(c.attempts));
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.phases[0].attempts, c.ran);
    EXPECT_EQ(result.phases[0].prompts.size(), static_cast<std::size_t>(c.ran));
    EXPECT_EQ(std::count(bench.link.journal.begin(), bench.link.journal.end(), "command 4"), c.ran);
  }
}

TEST(RunnerTest, TeardownRunsWhateverHappenedAndOnlyASecondStopCutsItShort) {
  const CommandEffect refused{"", "", LinkStatus::kRefused, "busy", 0};
  const CommandEffect ctrl_c{"", "", LinkStatus::kDone, "", 1};
  const struct {
    std::string what;
    std::map<std::int64_t, CommandEffect> commands;
    Outcome outcome;
    std::string message;
    std::string teardown_message;
    std::vector<std::string> journal;
  } kCases[] = {
      {"a refusal",
       {{2, refused}},
       Outcome::kError,
       "line 3: command refused: busy",
       "",
       {"read 1010", "command 2", "command 5", "command 6"}},
      {"a stop",
       {{2, ctrl_c}},
       Outcome::kAborted,
       "line 3: stopped during command",
       "",
       {"read 1010", "command 2", "command 5", "command 6"}},
      {"two stops",
       {{2, {"", "", LinkStatus::kDone, "", 2}}},
       Outcome::kAborted,
       "line 3: stopped during command",
       "line 7: skipped by a second stop, with what follows it",
       {"read 1010", "command 2"}},
      {"a second stop in teardown",
       {{2, ctrl_c}, {5, ctrl_c}},
       Outcome::kAborted,
       "line 3: stopped during command",
       "line 7: stopped during command",
       {"read 1010", "command 2", "command 5"}},
      // A teardown step that fails does not keep the next from running, and fails the phase.
      {"a failing teardown",
       {{5, refused}},
       Outcome::kError,
       "teardown: line 7: command refused: busy",
       "line 7: command refused: busy",
       {"read 1010", "command 2", "command 4", "command 5", "command 6"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Bench bench;
    bench.link.commands = c.commands;
    const plan::Phase phase{"io", 1, {}, {Click(2, 3), Click(4, 4)}, {Click(5, 7), Click(6, 8)}};
    const plan::Phase later{"later", 1, {Click(9, 12)}, {}, {}};
    const plan::RunResult result = bench.Run({phase, later});
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.phases[0].message, c.message);
    EXPECT_EQ(result.phases[0].teardown_message, c.teardown_message);
    EXPECT_EQ(bench.link.journal, c.journal);
    // The phases after one that did not pass are reported as skipped and never reach the console.
    EXPECT_EQ(result.phases[1].outcome, Outcome::kSkipped);
    EXPECT_EQ(result.message, "io: " + c.message);
  }
}

TEST(RunnerTest, ExpectationsThatDoNotShowInTimeEndThePhaseWithTimeout) {
  const auto expect_in_phase = [](std::string pattern) {
    return plan::ExpectStep{Compiled(pattern), {pattern, sender::ExpectScope::kNew, 0}};
  };
  const auto expect_on_console = [](std::string pattern) {
    return plan::ExpectStep{nullptr, {pattern, sender::ExpectScope::kWhole, 0}};
  };
  const struct {
    plan::ExpectStep expect;
    plan::LinkReply console_reply;
    Outcome outcome;
    std::string message;
  } kCases[] = {
      {expect_in_phase("OPEN!!"), {}, Outcome::kPass, ""},
      // Text the pane held before the phase began does not count.
      {expect_in_phase("old"), {}, Outcome::kTimeout, "line 5: /old/ did not show within 0 ms"},
      {expect_on_console("late"),
       {LinkStatus::kTimedOut, "tail", ""},
       Outcome::kTimeout,
       "line 5: /late/ did not show within 0 ms; the pane ends: tail"},
      {expect_on_console("x"),
       {LinkStatus::kRefused, "", "no box"},
       Outcome::kError,
       "line 5: expect refused: no box"},
      {expect_on_console("x"),
       {LinkStatus::kUnreachable, "", "gone"},
       Outcome::kError,
       "line 5: expect: the console is unreachable: gone"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.message);
    Bench bench;
    bench.link.pane = "old\r\n";
    bench.link.commands[1] = {"COM1 OPEN!!\r\n", "", LinkStatus::kDone, "", 0};
    bench.link.expect_reply = c.console_reply;
    const plan::RunResult result = bench.Run({{"open", 1, {}, {Click(1, 4), {c.expect, 5}}, {}}});
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.phases[0].message, c.message);
  }
}

TEST(RunnerTest, MeasurementsReadTheNewestCaptureSinceThePhaseBegan) {
  const auto measure = [](plan::MeasureSource source, plan::NumberBase base, plan::Limit limit) {
    return plan::MeasureStep{Compiled("ch\\[1\\]=(?<v>\\w+)"), source, base, 0, {{"v", limit}}};
  };
  const struct {
    std::string what;
    plan::MeasureStep step;
    std::optional<double> number;
    plan::Verdict verdict;
  } kCases[] = {
      {"pane", measure(plan::MeasureSource::kPane, plan::NumberBase::kDecimal, Range(20, 30)), 22,
       plan::Verdict::kPass},
      {"pane, out of range",
       measure(plan::MeasureSource::kPane, plan::NumberBase::kDecimal, Range(0, 10)), 22,
       plan::Verdict::kFail},
      {"record", measure(plan::MeasureSource::kRecord, plan::NumberBase::kHex, Range(0, 255)), 0x1a,
       plan::Verdict::kPass},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Bench bench;
    bench.link.pane = "ch[1]=5\r\n";
    std::ofstream(bench.folder.path() / "session.log") << RecordLine(1, "ch[1]=ff");
    bench.link.commands[1] = {"ch[1]=21\r\nch[1]=22\r\n", RecordLine(2, "ch[1]=1a"),
                              LinkStatus::kDone, "", 0};
    const plan::RunResult result = bench.Run({{"eas", 1, {}, {Click(1, 4), {c.step, 5}}, {}}});
    ASSERT_EQ(result.phases[0].measurements.size(), 1u);
    const plan::MeasurementResult& measured = result.phases[0].measurements[0];
    ASSERT_TRUE(measured.value.has_value());
    EXPECT_EQ(measured.value->number, c.number);
    EXPECT_EQ(measured.verdict, c.verdict);
    EXPECT_EQ(result.outcome, c.verdict == plan::Verdict::kFail ? Outcome::kFail : Outcome::kPass);
    EXPECT_TRUE(result.phases[0].record.has_value());
  }
}

TEST(RunnerTest, CaptureThatNeverShowsFailsItsMeasurementOnceItsTimeIsUp) {
  Bench bench;
  const plan::MeasureStep step{Compiled("(?<v>\\d+) mV"),
                               plan::MeasureSource::kPane,
                               plan::NumberBase::kDecimal,
                               0,
                               {{"v", Range(0, 1)}}};
  const plan::RunResult result = bench.Run({{"volts", 1, {}, {{step, 6}}, {}}});
  EXPECT_EQ(result.outcome, Outcome::kFail);
  EXPECT_EQ(result.phases[0].message, "line 6: v: /(?<v>\\d+) mV/ did not match within 0 ms");
  ASSERT_EQ(result.phases[0].measurements.size(), 1u);
  EXPECT_FALSE(result.phases[0].measurements[0].value.has_value());
}

TEST(RunnerTest, ElapsedIsJudgedInMillisecondsBetweenTheRecordsLines) {
  const struct {
    plan::Limit limit;
    Outcome outcome;
  } kCases[] = {{Range(200, 300), Outcome::kPass}, {Range(0, 100), Outcome::kFail}};
  for (const auto& c : kCases) {
    Bench bench;
    bench.link.commands[1] = {"", RecordLine(10, "cmd id=1") + RecordLine(10.25, "rx done"),
                              LinkStatus::kDone, "", 0};
    const plan::ElapsedStep elapsed{"open", Compiled("id=1"), Compiled("done"), 0, c.limit};
    const plan::RunResult result = bench.Run({{"timing", 1, {}, {Click(1, 4), {elapsed, 5}}, {}}});
    EXPECT_EQ(result.outcome, c.outcome);
    ASSERT_EQ(result.phases[0].measurements.size(), 1u);
    EXPECT_EQ(result.phases[0].measurements[0].value->text, "250.000");
  }
}

TEST(RunnerTest, PhaseThatGoesOnAfterAFailureLetsTheRunCollectEveryDefect) {
  const CommandEffect refused{"", "", LinkStatus::kRefused, "busy", 0};
  const CommandEffect ctrl_c{"", "", LinkStatus::kDone, "", 1};
  const plan::Step never{
      plan::ExpectStep{Compiled("never"), {"never", sender::ExpectScope::kNew, 0}}, 4};
  const struct {
    std::string what;
    plan::Step step;
    plan::OnFail on_fail;
    std::map<std::int64_t, CommandEffect> commands;
    Outcome outcome;
    std::string later;  // the later phase's outcome and message
  } kCases[] = {
      {"a failure", Confirm("looks", 4), plan::OnFail::kContinue, {}, Outcome::kFail, "PASS "},
      {"a timeout", never, plan::OnFail::kContinue, {}, Outcome::kTimeout, "PASS "},
      {"a failure that stops",
       Confirm("looks", 4),
       plan::OnFail::kStop,
       {},
       Outcome::kFail,
       "SKIPPED skipped: phase 'first' failed"},
      {"a timeout that stops",
       never,
       plan::OnFail::kStop,
       {},
       Outcome::kTimeout,
       "SKIPPED skipped: phase 'first' timed out"},
      // The console refusing or a stop ends the run however the phase was to go on.
      {"an error",
       Click(2, 4),
       plan::OnFail::kContinue,
       {{2, refused}},
       Outcome::kError,
       "SKIPPED skipped: phase 'first' ended in error"},
      {"a stop",
       Click(2, 4),
       plan::OnFail::kContinue,
       {{2, ctrl_c}},
       Outcome::kAborted,
       "SKIPPED skipped: phase 'first' was stopped"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Bench bench;
    bench.link.commands = c.commands;
    const plan::RunResult result =
        bench.Run({PhaseOf("first", {c.step}, 1, 1, c.on_fail), PhaseOf("later", {Click(9, 12)})},
                  {{"looks", {"fail"}}});
    EXPECT_EQ(result.phases[0].outcome, c.outcome);
    EXPECT_EQ(
        std::string(plan::OutcomeName(result.phases[1].outcome)) + " " + result.phases[1].message,
        c.later);
    // The run's outcome and message are the defect's, whatever came after it.
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.message, "first: " + result.phases[0].message);
  }
}

TEST(RunnerTest, RepeatedPhaseRunsEveryTimeKeepsEveryMeasurementAndEndsAsItsWorstRun) {
  const struct {
    std::vector<std::string> answers;
    std::map<std::int64_t, CommandEffect> commands;
    Outcome outcome;
    std::string message;
    int runs;
  } kCases[] = {
      {{"12", "12.5", "11"}, {}, Outcome::kPass, "", 3},
      {{"12", "14", "15"}, {}, Outcome::kFail, "run 2: line 3: volts: 14 is outside [11, 13]", 3},
      // A stop ends the repeats.
      {{"12", "12", "12"},
       {{8, {"", "", LinkStatus::kDone, "", 1}}},
       Outcome::kAborted,
       "run 1: stopped",
       1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.message);
    Bench bench;
    bench.link.commands = c.commands;
    const plan::RunResult result = bench.Run(
        {PhaseOf("gauge", {Reading("volts", Range(11, 13), 3)}, 1, 3)}, {{"volts", c.answers}});
    const plan::PhaseResult& phase = result.phases[0];
    EXPECT_EQ(phase.outcome, c.outcome);
    EXPECT_EQ(phase.message, c.message);
    EXPECT_EQ(phase.repeats, c.runs);
    EXPECT_EQ(std::count(bench.link.journal.begin(), bench.link.journal.end(), "command 8"),
              c.runs);  // teardown, every run
    ASSERT_EQ(phase.measurements.size(), static_cast<std::size_t>(c.runs));
    for (int run = 0; run < c.runs; ++run) {
      EXPECT_EQ(phase.measurements[run].repeat, run + 1);
      EXPECT_EQ(phase.measurements[run].value->text, c.answers[run]);
    }
  }
}

TEST(RunnerTest, EveryAttemptsMeasurementsAreKeptAndTheLastAttemptDecides) {
  Bench bench;
  const plan::RunResult result = bench.Run({PhaseOf("volts", {Reading("v", Range(11, 13), 3)}, 3)},
                                           {{"v", {"20", "14", "12"}}});
  EXPECT_EQ(result.outcome, Outcome::kPass);
  const auto& measured = result.phases[0].measurements;
  ASSERT_EQ(measured.size(), 3u);
  for (int attempt = 1; attempt <= 3; ++attempt) {
    EXPECT_EQ(measured[attempt - 1].attempt, attempt);
    EXPECT_EQ(measured[attempt - 1].verdict,
              attempt < 3 ? plan::Verdict::kFail : plan::Verdict::kPass);
  }
}

TEST(RunnerTest, MarginalPassIsLiftedToThePhaseAndToARunThatPasses) {
  const plan::Limit banded = Range(0, 10, 1);
  const struct {
    std::string what;
    std::vector<plan::Phase> phases;
    std::vector<std::string> answers;
    bool phase_marginal;
    bool run_marginal;
  } kCases[] = {
      {"inside the band", {PhaseOf("v", {Reading("v", banded, 3)})}, {"0.5"}, true, true},
      {"clear of it", {PhaseOf("v", {Reading("v", banded, 3)})}, {"5"}, false, false},
      {"in a later run", {PhaseOf("v", {Reading("v", banded, 3)}, 1, 2)}, {"5", "9.5"}, true, true},
      // Only a pass is marginal: a failed earlier attempt's marginal reading does not count.
      {"in a failed attempt",
       {PhaseOf("v", {Reading("v", banded, 3), Confirm("looks", 4)}, 2)},
       {"0.5", "5"},
       false,
       false},
      {"in a run that fails later",
       {PhaseOf("v", {Reading("v", banded, 3)}, 1, 1, plan::OnFail::kContinue),
        PhaseOf("w", {Reading("w", banded, 5)})},
       {"0.5"},
       true,
       false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Bench bench;
    const plan::RunResult result =
        bench.Run(c.phases, {{"v", c.answers}, {"w", {"11"}}, {"looks", {"fail", "ok"}}});
    EXPECT_EQ(result.phases[0].marginal, c.phase_marginal);
    EXPECT_EQ(result.marginal, c.run_marginal);
  }
}

TEST(RunnerTest, ObserverHearsEveryAttemptMeasurementAndEndInOrder) {
  Bench bench;
  bench.Run({PhaseOf("v", {Reading("v", Range(11, 13), 3)}, 2), PhaseOf("later", {})},
            {{"v", {"20", "30"}}});
  EXPECT_EQ(
      bench.observer.lines,
      (std::vector<std::string>{"begin v 1.1", "judged v v 20", "begin v 1.2", "judged v v 30",
                                "end v FAIL", "end later SKIPPED", "run FAIL"}));
}

}  // namespace

TEST(RunnerTest, FileStepCountsTheFilesThereAgainstWhatMustBe) {
  const struct {
    plan::Presence present;
    std::vector<std::string> paths;
    Outcome outcome;
    std::string message;
  } kCases[] = {
      {plan::Presence::kAtLeastOne, {"\\SDMMC\\a.txt", "\\SDMMC\\b.txt"}, Outcome::kPass, ""},
      {plan::Presence::kExactlyOne, {"\\SDMMC\\a.txt", "\\SDMMC\\b.txt"}, Outcome::kPass, ""},
      {plan::Presence::kAll,
       {"\\SDMMC\\a.txt", "\\SDMMC\\b.txt"},
       Outcome::kFail,
       "line 3: copies[1]: "},
      {plan::Presence::kNone, {"\\SDMMC\\a.txt"}, Outcome::kFail, "line 3: copies[1]: "},
      {plan::Presence::kAll,
       {"\\USB\\c.txt"},
       Outcome::kError,
       "line 3: \\USB\\c.txt: names no volume"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.paths.back());
    Bench bench;
    bench.files.paths = {{"\\SDMMC\\a.txt", bench.folder.path() / "a.txt"},
                         {"\\SDMMC\\b.txt", bench.folder.path() / "b.txt"}};
    std::ofstream(bench.folder.path() / "a.txt") << "written";
    const plan::FileStep step{"copies", c.paths, c.present, 1, 0};
    const plan::RunResult result = bench.Run({{"files", 1, {}, {{step, 3}}, {}}});
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_TRUE(result.phases[0].message.starts_with(c.message)) << result.phases[0].message;
    if (c.outcome != Outcome::kError) {
      ASSERT_EQ(result.phases[0].measurements.size(), 1u);
      EXPECT_EQ(result.phases[0].measurements[0].value->text, "\\SDMMC\\a.txt");
    }
  }
}

namespace {

plan::Step Write(const std::string& commands, int line) {
  return {plan::InstrumentStep{"supply", commands, false, "", plan::NumberBase::kDecimal, {}},
          line};
}
plan::Step Query(const std::string& query, plan::Limit limit, int line) {
  return {plan::InstrumentStep{"supply", query, true, "current", plan::NumberBase::kDecimal,
                               std::move(limit)},
          line};
}

}  // namespace

// Instrument steps, the identity checked before any phase, and the supply left safe however the
// run ended: a failure, an error, a stop.
TEST(RunnerTest, InstrumentStepsRunAndTheSupplyIsLeftSafeWhateverHappened) {
  using testing_support::Answers;
  const plan::Phase power{"power",
                          1,
                          {Write("VOLT 13.8;OUTP ON", 2)},
                          {Query("MEAS:CURR?", Range(0.1, 0.3), 3), Click(4, 4)},
                          {Write("OUTP OFF", 5)}};
  const CommandEffect ctrl_c{"", "", LinkStatus::kDone, "", 1};
  const struct {
    std::string what;
    std::string idn;
    std::string current;
    std::map<std::int64_t, CommandEffect> commands;
    Outcome outcome;
    std::string message;
    std::vector<std::string> heard;
  } kCases[] = {
      {"a pass",
       "Maker,PSU-1,7,1.0",
       "+2.0E-01",
       {},
       Outcome::kPass,
       "",
       {"*IDN?", "VOLT 13.8;OUTP ON", "SYST:ERR?", "MEAS:CURR?", "OUTP OFF", "SYST:ERR?",
        "OUTP OFF", "SYST:ERR?"}},
      {"a current out of limits",
       "Maker,PSU-1,7,1.0",
       "0.9",
       {},
       Outcome::kFail,
       "line 3: current: ",
       {"*IDN?", "VOLT 13.8;OUTP ON", "SYST:ERR?", "MEAS:CURR?", "OUTP OFF", "SYST:ERR?",
        "OUTP OFF", "SYST:ERR?"}},
      {"an answer that is no number",
       "Maker,PSU-1,7,1.0",
       "OVER",
       {},
       Outcome::kError,
       "the answer \"OVER\" to \"MEAS:CURR?\" is no number",
       {"*IDN?", "VOLT 13.8;OUTP ON", "SYST:ERR?", "MEAS:CURR?", "OUTP OFF", "SYST:ERR?",
        "OUTP OFF", "SYST:ERR?"}},
      {"a stop",
       "Maker,PSU-1,7,1.0",
       "0.2",
       {{4, ctrl_c}},
       Outcome::kAborted,
       "line 4: stopped during command",
       {"*IDN?", "VOLT 13.8;OUTP ON", "SYST:ERR?", "MEAS:CURR?", "OUTP OFF", "SYST:ERR?",
        "OUTP OFF", "SYST:ERR?"}},
      // Another model at the address: no phase runs, and it is sent nothing more.
      {"a wrong model",
       "Other,LOAD-9,1,1.0",
       "0.2",
       {},
       Outcome::kError,
       "answers *IDN? with \"Other,LOAD-9,1,1.0\", not /^Maker,PSU-1,/ as the plan expects",
       {"*IDN?"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    testing_support::ScpiResponder supply(
        testing_support::ScpiResponder::Line::kTcp,
        {{"*IDN?", Answers(c.idn)}, {"MEAS:CURR?", Answers(c.current)}});
    Bench bench;
    bench.link.commands = c.commands;
    const plan::RunResult result =
        bench.Run({power}, {},
                  {{"supply", supply.address(), Compiled("^Maker,PSU-1,"), 1000, "OUTP OFF", 1}});
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_NE(result.message.find(c.message), std::string::npos) << result.message;
    EXPECT_EQ(supply.heard(), c.heard);
    ASSERT_EQ(result.instruments.size(), 1u);
    EXPECT_EQ(result.instruments[0].idn, c.idn);
    EXPECT_EQ(bench.exchanges.lines.front(), "supply: *IDN? -> " + c.idn);
  }
}
