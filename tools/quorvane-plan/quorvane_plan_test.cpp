// The real quorvane-plan with --simulate, each run on a console of its own: the shipped plans
// pass, a channel outside its range fails the run, teardown runs after a failure and after
// Ctrl-C, the instruments plan meets each fault of the simulated bench, and every report
// validates against the shipped schemas.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>

#include "plan/plan_reader.h"
#include "testing/child_process.h"
#include "testing/run_records.h"
#include "testing/temp_dir.h"
#include "testing/test_mount.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ChildProcess;
using testing_support::FileText;

class QuorvanePlanTest : public ::testing::Test {
 protected:
  std::unique_ptr<ChildProcess> StartPlan(const fs::path& plan, std::vector<std::string> extra,
                                          const std::map<std::string, std::string>& env = {}) {
    std::vector<std::string> args = {
        QUORVANE_PLAN_BINARY, plan.string(), "--unit",        "SN-42", "--station",   "bench-1",
        "--simulate",         "--console",   QUORVANE_BINARY, "--out", out().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return std::make_unique<ChildProcess>(args, temp_.path(), env);
  }

  // A plan `name` of one phase with `steps`.
  fs::path OnePhasePlan(const std::string& name, const std::string& steps) const {
    fs::path plan = temp_.path() / (name + ".toml");
    std::ofstream(plan) << "name = \"" << name << "\"\n[[phase]]\nname = \"a\"\n" << steps;
    return plan;
  }

  // Runs the plan to its end; its exit status, or -1.
  int RunPlan(const fs::path& plan, std::vector<std::string> extra = {}) {
    auto run = StartPlan(plan, std::move(extra));
    const int status = run->Wait(240s).value_or(-1);
    output_ = run->Output() + run->Errors();
    return status;
  }

  // The JSON reports of the runs of `plan_name` on `unit` (as its file name writes it), oldest
  // first.
  std::vector<fs::path> JsonReports(const std::string& plan_name,
                                    const std::string& unit = "SN-42") const {
    std::vector<fs::path> reports;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(out(), error)) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with(unit + "_" + plan_name + "_") && name.ends_with(".json")) {
        reports.push_back(entry.path());
      }
    }
    std::sort(reports.begin(), reports.end(), [](const fs::path& a, const fs::path& b) {
      return a.string().size() != b.string().size() ? a.string().size() < b.string().size() : a < b;
    });
    return reports;
  }

  // A JSON report, after checking it and the JUnit report beside it against the shipped schemas
  // and their names against what they hold.
  nlohmann::json CheckedReport(const fs::path& json) {
    return testing_support::CheckedRecord(json, QUORVANE_PLANS_DIR, temp_.path());
  }

  // The one run's report of `plan_name`.
  nlohmann::json OnlyReport(const std::string& plan_name) {
    const auto reports = JsonReports(plan_name);
    EXPECT_EQ(reports.size(), 1u) << plan_name;
    return reports.empty() ? nlohmann::json() : CheckedReport(reports.back());
  }

  // The simulated terminal a --keep run left, as it printed it.
  fs::path KeptSandbox(const std::string& output) const {
    const std::string mark = "simulated terminal: ";
    const auto at = output.find(mark);
    if (at == std::string::npos) return {};
    return fs::path(output.substr(at + mark.size(), output.find('\n', at) - at - mark.size())) /
           "sim";
  }

  fs::path out() const { return temp_.path() / "reports"; }

  testing_support::TempDir temp_;
  std::string output_;
};

// The shipped plans' names, each run as a test of its own so that they run side by side.
std::vector<std::string> ShippedPlans() {
  std::vector<std::string> plans;
  for (const auto& entry : fs::directory_iterator(QUORVANE_PLANS_DIR)) {
    if (entry.path().extension() == ".toml") plans.push_back(entry.path().stem().string());
  }
  std::sort(plans.begin(), plans.end());
  return plans;
}

class ShippedPlanTest : public QuorvanePlanTest,
                        public ::testing::WithParamInterface<std::string> {};

TEST_P(ShippedPlanTest, PassesWithValidReports) {
  const fs::path plan = fs::path(QUORVANE_PLANS_DIR) / (GetParam() + ".toml");
  EXPECT_EQ(RunPlan(plan), 0) << plan << "\n" << output_;
  const auto json = JsonReports(GetParam());
  ASSERT_EQ(json.size(), 1u) << plan;
  const nlohmann::json report = CheckedReport(json[0]);
  EXPECT_EQ(report["outcome"], "PASS") << plan;
  EXPECT_EQ(report["unit"], "SN-42");
  EXPECT_EQ(report["station"], "bench-1");
  for (const auto& phase : report["phases"]) {
    // Each phase's slice of the session record lies in the kept order of the run's lines, in
    // the record kept beside the unit's once the simulated terminal is gone.
    ASSERT_TRUE(phase["record"].is_object()) << phase;
    const auto& begin = phase["record"]["begin"];
    const auto& end = phase["record"]["end"];
    EXPECT_LT(begin["sequence"], end["sequence"]);
    // Named relative to the record's folder, so that the folder can be moved whole.
    const fs::path kept = fs::path(json[0]).parent_path() / begin["file"].get<std::string>();
    EXPECT_EQ(kept.parent_path(), fs::path(json[0]).replace_extension(".session"));
    EXPECT_GE(fs::file_size(kept), end["offset"].get<std::uintmax_t>()) << kept;
  }
}

INSTANTIATE_TEST_SUITE_P(Shipped, ShippedPlanTest, ::testing::ValuesIn(ShippedPlans()),
                         [](const ::testing::TestParamInfo<std::string>& plan) {
                           std::string name = plan.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

TEST_F(QuorvanePlanTest, ChannelOutsideItsRangeFailsThatMeasurement) {
  // The shipped plan on a board whose third channel reads 0x1000, above its range.
  fs::create_directories(temp_.path() / "boards");
  std::ofstream(temp_.path() / "boards/eas-bench.toml")
      << "[drivers.EAS1]\ndriver = \"sim\"\n"
         "eas_channels = [0x1a, 0x20, 0x1000, 0x40, 5, 6, 7, 0x80, 0x90, 0x100, 0x1f4, 0]\n";
  const fs::path plan = temp_.path() / "eas-channels.toml";
  fs::copy_file(QUORVANE_PLANS_DIR "/eas-channels.toml", plan);
  EXPECT_EQ(RunPlan(plan), 1) << output_;
  const nlohmann::json report = OnlyReport("eas-channels");
  EXPECT_EQ(report["outcome"], "FAIL");
  const auto& phase = report["phases"][0];
  EXPECT_EQ(phase["attempts"], 2);
  for (const auto& measurement : phase["measurements"]) {
    if (measurement["name"] == "ch3") {
      EXPECT_EQ(measurement["outcome"], "FAIL");
      EXPECT_EQ(measurement["number"], 4096);
    }
  }
  // Both attempts' measurements are kept; each attempt stops at the failing step.
  EXPECT_EQ(phase["measurements"].size(), 8u);
}

// The journal of the simulated drivers and the session record, as far as they are written.
std::string SandboxText(const fs::path& sandbox) {
  std::string text = FileText(sandbox / "drivers.jsonl");
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(sandbox / "logs", error)) {
    text += FileText(entry.path());
  }
  return text;
}

TEST_F(QuorvanePlanTest, TeardownRunsAfterAFailureAndAfterCtrlC) {
  const struct {
    const char* step;
    const char* begun;  // what the sandbox shows before Ctrl-C: the setup's power on, or the step
    int interrupts;     // Ctrl-C once `begun` shows, and again during the teardown's pause
    int status;
    const char* outcome;
    int power_after;  // the last modem power request: the teardown's, unless a second stop came
    std::chrono::seconds within;  // from the first Ctrl-C, or from the start
  } kCases[] = {
      {"measure = 'never (?<v>[0-9]+)'\ntimeout_ms = 50\nlimits.v = {}\n", "", 0, 1, "FAIL", 0,
       120s},
      {"pause_ms = 600000\n", "\"code\":9125", 1, 128 + SIGINT, "ABORTED", 0, 120s},
      {"pause_ms = 600000\n", "\"code\":9125", 2, 128 + SIGINT, "ABORTED", 1, 120s},
      // The console's own wait is called off at once, not at its end a minute later.
      {"expect = 'never-shown-7f3'\nscope = \"new\"\ntimeout_ms = 60000\n", "never-shown-7f3", 1,
       128 + SIGINT, "ABORTED", 0, 10s},
  };
  for (const auto& c : kCases) {
    fs::remove_all(out());
    const fs::path plan = temp_.path() / "power.toml";
    std::ofstream(plan) << "name = \"power\"\n[[phase]]\nname = \"modem\"\n"
                           "[[phase.setup]]\ncommand = 1058\n[[phase.step]]\n"
                        << c.step
                        << "[[phase.teardown]]\npause_ms = " << (c.interrupts == 2 ? 600000 : 0)
                        << "\n[[phase.teardown]]\ncommand = 1059\n";
    auto run = StartPlan(plan, {"--keep"});
    fs::path sandbox;
    if (c.interrupts > 0) {
      const auto give_up = std::chrono::steady_clock::now() + 60s;
      bool begun = false;
      while (!begun && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(10ms);
        sandbox = KeptSandbox(run->Output());
        begun = !sandbox.empty() && SandboxText(sandbox).find(c.begun) != std::string::npos;
      }
      EXPECT_TRUE(begun) << c.begun << "\n" << run->Output();
      ::kill(run->pid(), SIGINT);
      if (c.interrupts == 2) {
        // The teardown's pause outlasts a stop; only the second one ends it.
        std::this_thread::sleep_for(300ms);
        ::kill(run->pid(), SIGINT);
      }
    }
    EXPECT_EQ(run->Wait(c.within), c.status) << c.step << run->Output() << run->Errors();
    sandbox = KeptSandbox(run->Output());
    const nlohmann::json report = OnlyReport("power");
    EXPECT_EQ(report["outcome"], c.outcome);
    EXPECT_EQ(report["phases"][0]["outcome"], c.outcome);
    // The journal's last modem power request is the teardown's: off.
    std::istringstream journal(FileText(sandbox / "drivers.jsonl"));
    std::optional<int> power;
    for (std::string line; std::getline(journal, line);) {
      const auto request = nlohmann::json::parse(line);
      if (request.value("code", 0) == 9125) power = request["input"].get<int>();
    }
    EXPECT_EQ(power, c.power_after) << c.outcome << " after " << c.interrupts << " stops";
    fs::remove_all(sandbox.parent_path());
  }
}

TEST_F(QuorvanePlanTest, EachOutcomeHasItsExitStatusAndReport) {
  const std::string head = "name = \"outcomes\"\n[[phase]]\nname = \"first <&\\\"'>\"\n";
  const std::string later = "[[phase]]\nname = \"later\"\n[[phase.step]]\ncommand = 1050\n";
  const struct {
    std::string steps;
    int status;
    const char* outcome;
    std::vector<std::string> extra;
  } kCases[] = {
      {"[[phase.step]]\nexpect = 'never shown'\ntimeout_ms = 100\n" + later, 1, "TIMEOUT", {}},
      {"[[phase.step]]\ntext = \"x\"\nid = 1010\n[[phase.step]]\ntext = \"x\"\nid = 1007\n" + later,
       2,
       "ERROR",
       {}},
      {"[[phase.step]]\nprompt = \"volts?\"\nname = \"v\"\nkind = \"number\"\nlow = 11\n"
       "high = 13\n[answers]\nv = [\"14.5\"]\n",
       1,
       "FAIL",
       {}},
      {"[[phase.step]]\nprompt = \"again?\"\nname = \"r\"\n[answers]\nr = [\"retry\", \"ok\"]\n",
       0,
       "PASS",
       {}},
      {"[[phase.step]]\nfile = ['\\SDMMC\\rwtest.txt', '\\DataStorage\\never.txt']\n"
       "name = \"kept\"\n" +
           later,
       1,
       "FAIL",
       {}},
      {"[[phase.step]]\ncommand = 1050\n", 2, "ERROR", {"--socket", "/nonexistent/console.sock"}},
  };
  for (const auto& c : kCases) {
    fs::remove_all(out());
    const fs::path plan = temp_.path() / "outcomes.toml";
    std::ofstream(plan) << head << c.steps;
    std::vector<std::string> args = {
        QUORVANE_PLAN_BINARY, plan.string(), "--unit", "SN-42", "--out", out().string()};
    if (c.extra.empty()) args.insert(args.end(), {"--simulate", "--console", QUORVANE_BINARY});
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    ChildProcess run(args, temp_.path());
    EXPECT_EQ(run.Wait(120s), c.status) << c.steps << run.Output() << run.Errors();
    const nlohmann::json report = OnlyReport("outcomes");
    EXPECT_EQ(report["outcome"], c.outcome) << c.steps;
    const auto& phases = report["phases"];
    if (phases.size() == 2 && c.status != 0) {
      EXPECT_EQ(phases[1]["outcome"], "SKIPPED");
    }
    if (std::string(c.outcome) == "PASS") {
      EXPECT_EQ(phases[0]["attempts"], 2);  // the operator's retry ran the phase again
      EXPECT_EQ(phases[0]["prompts"].size(), 2u);
    }
  }
}

TEST_F(QuorvanePlanTest, RunsAgainstARunningConsoleWithPromptsOnTheTerminal) {
  const fs::path sandbox = temp_.path() / "sim";
  ChildProcess console({QUORVANE_BINARY, "--headless", "--sandbox", sandbox.string()}, temp_.path(),
                       {{"QUORVANE_BOARD", ""}});
  const auto give_up = std::chrono::steady_clock::now() + 20s;
  while (!fs::exists(sandbox / "console.sock") && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(10ms);
  }
  const fs::path plan = temp_.path() / "asked.toml";
  std::ofstream(plan) << "name = \"asked\"\n[[phase]]\nname = \"ask\"\n[[phase.step]]\n"
                         "prompt = \"plug it in\"\nname = \"plug\"\n[[phase.step]]\n"
                         "prompt = \"volts?\"\nname = \"volts\"\nkind = \"number\"\n"
                         "low = 11\nhigh = 13\n[[phase.step]]\ncommand = 1034\n"
                         "[[phase.step]]\nexpect = 'EAS ch\\[11\\]'\nscope = \"whole\"\n"
                         "[answers]\nplug = [\"fail\"]\n";
  // No display: the prompts go to the terminal, and a word that is no answer is asked again.
  ChildProcess run({QUORVANE_PLAN_BINARY, plan.string(), "--unit", "SN-42", "--sandbox",
                    sandbox.string(), "--out", out().string()},
                   temp_.path(),
                   {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}},
                   "maybe\nOK\n12.5\n");
  EXPECT_EQ(run.Wait(60s), 0) << run.Output() << run.Errors();
  EXPECT_NE(run.Errors().find("plug it in [ok/fail/retry]: \"maybe\" is no answer here"),
            std::string::npos)
      << run.Errors();
  const nlohmann::json report = OnlyReport("asked");
  const auto& prompts = report["phases"][0]["prompts"];
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[0]["answer"], "ok");
  EXPECT_EQ(prompts[1]["answer"], "12.5");
  EXPECT_EQ(prompts[1]["answered_by"], "operator");
  EXPECT_EQ(report["phases"][0]["measurements"][0]["number"], 12.5);
  EXPECT_TRUE(report["console"]["board_profile"].is_null());
}

TEST_F(QuorvanePlanTest, CtrlCWhileTheConsoleStartsEndsTheRunAtOnce) {
  // A console that never answers: the run would wait 20 s for it, then 10 s for it to close.
  const fs::path silent = temp_.path() / "silent-console";
  std::ofstream(silent) << "#!/bin/sh\nexec sleep 600\n";
  fs::permissions(silent, fs::perms::owner_all);
  const fs::path plan = temp_.path() / "start.toml";
  std::ofstream(plan) << "name = \"start\"\n[[phase]]\nname = \"a\"\n[[phase.step]]\n"
                         "command = 1050\n";
  ChildProcess run({QUORVANE_PLAN_BINARY, plan.string(), "--unit", "SN-42", "--simulate",
                    "--console", silent.string(), "--out", out().string()},
                   temp_.path());
  std::this_thread::sleep_for(500ms);
  ::kill(run.pid(), SIGINT);
  EXPECT_EQ(run.Wait(5s), 128 + SIGINT) << run.Output() << run.Errors();
  const nlohmann::json report = OnlyReport("start");
  EXPECT_EQ(report["outcome"], "ABORTED");
  EXPECT_EQ(report["message"], "stopped before the console answered");
  // The stand-in was ended with the run, not left behind.
  ChildProcess left({"/usr/bin/pgrep", "-f", silent.string()}, temp_.path());
  EXPECT_EQ(left.Wait(10s), 1) << left.Output();
}

TEST_F(QuorvanePlanTest, PlanWithAMistakeIsRefusedBeforeAnythingRuns) {
  const std::string head = "name = \"b\"\n[[phase]]\nname = \"a\"\n[[phase.step]]\ncommand = 1\n"
                           "[[phase.step]]\n";
  const struct {
    std::string plan;
    const char* message;
  } kCases[] = {
      {head + "measure = '(?<v>[0-9]+'\nlimits.v = {}\n", ":7: bad pattern"},
      // Which volumes there are is known once the run knows its sandbox and board.
      {head + "file = ['\\Floppy\\x']\nname = \"f\"\n", ":7: \\Floppy\\x: no volume"},
      // A click nothing answers would pass without doing anything.
      {head + "command = 9999\n", ":7: command 9999 is no control or command of the console"},
      {head + "comand = 1009\n", ":7: unknown key \"comand\" in a step"},
      {"board = \"boards/none.toml\"\n" + head + "command = 1050\n", ":1: the board profile "},
  };
  const fs::path tmp = temp_.path() / "tmp";
  fs::create_directory(tmp);
  for (const auto& c : kCases) {
    const fs::path plan = temp_.path() / "broken.toml";
    std::ofstream(plan) << c.plan;
    auto run = StartPlan(plan, {}, {{"TMPDIR", tmp.string()}});
    EXPECT_EQ(run->Wait(60s), 3) << c.plan;
    EXPECT_EQ(run->Errors().find("quorvane-plan: " + plan.string() + c.message), 0u)
        << run->Errors();
    EXPECT_FALSE(fs::exists(out()));
    EXPECT_TRUE(fs::is_empty(tmp)) << c.plan;  // no simulated terminal was made
  }
}

TEST_F(QuorvanePlanTest, EveryRunKeepsReportsOfItsOwnUnderItsUnitsExactName) {
  const fs::path plan = OnePhasePlan("retest", "[[phase.step]]\ncommand = 1050\n");
  // Two serial numbers a clean-up to "_" would give one name, each tested, one of them twice.
  for (const char* unit : {"A/B", "A/B", "A_B"}) {
    ChildProcess run({QUORVANE_PLAN_BINARY, plan.string(), "--unit", unit, "--socket",
                      "/nonexistent/console.sock", "--out", out().string()},
                     temp_.path());
    EXPECT_EQ(run.Wait(60s), 2) << run.Errors();
  }
  const auto slashed = JsonReports("retest", "A%2FB");
  const auto underscored = JsonReports("retest", "A%5FB");
  ASSERT_EQ(slashed.size(), 2u);
  ASSERT_EQ(underscored.size(), 1u);
  EXPECT_EQ(CheckedReport(slashed[0])["unit"], "A/B");
  EXPECT_EQ(CheckedReport(slashed[1])["unit"], "A/B");
  EXPECT_EQ(CheckedReport(underscored[0])["unit"], "A_B");
}

// The console a run started, by the folder it runs in: pgrep's status, 0 while it runs.
int ConsoleRunningIn(const fs::path& folder, const fs::path& output) {
  ChildProcess find({"/usr/bin/pgrep", "-f", "sandbox " + folder.string()}, output);
  return find.Wait(10s).value_or(-1);
}

TEST_F(QuorvanePlanTest, KilledRunTakesItsConsoleAlongAndTheNextRunClearsItsFolder) {
  const fs::path tmp = temp_.path() / "tmp";
  fs::create_directory(tmp);
  // What no run made, or what a live run holds, stays: a folder without a mark, a marked one of
  // a runner still running (this test), a file of the folders' pattern.
  const fs::path unmarked = tmp / "quorvane-plan.aaaaaa";
  const fs::path live = tmp / "quorvane-plan.bbbbbb";
  for (const auto& folder : {unmarked, live}) {
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_all);
  }
  std::ofstream(live / "runner.pid") << ::getpid() << "\n";
  std::ofstream(tmp / "quorvane-plan.cccccc") << "";

  auto killed = StartPlan(
      OnePhasePlan("long", "[[phase.step]]\ncommand = 1058\n[[phase.step]]\npause_ms = 600000\n"),
      {}, {{"TMPDIR", tmp.string()}});
  fs::path folder;
  const auto give_up = std::chrono::steady_clock::now() + 60s;
  while (folder.empty() && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(10ms);
    for (const auto& entry : fs::directory_iterator(tmp)) {
      const auto& candidate = entry.path();
      if (candidate != unmarked && candidate != live &&
          FileText(candidate / "sim/drivers.jsonl").find("\"code\":9125") != std::string::npos) {
        folder = candidate;
      }
    }
  }
  ASSERT_FALSE(folder.empty()) << killed->Errors();
  ::kill(killed->pid(), SIGKILL);
  killed->Wait(10s);
  const auto console_gone_by = std::chrono::steady_clock::now() + 20s;
  while (ConsoleRunningIn(folder, temp_.path()) == 0 &&
         std::chrono::steady_clock::now() < console_gone_by) {
    std::this_thread::sleep_for(50ms);
  }
  EXPECT_EQ(ConsoleRunningIn(folder, temp_.path()), 1) << "the console outlived its runner";

  auto next = StartPlan(OnePhasePlan("quick", "[[phase.step]]\ncommand = 1050\n"), {},
                        {{"TMPDIR", tmp.string()}});
  EXPECT_EQ(next->Wait(120s), 0) << next->Errors();
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_TRUE(fs::exists(unmarked));
  EXPECT_TRUE(fs::exists(live));
  EXPECT_TRUE(fs::exists(tmp / "quorvane-plan.cccccc"));
}

TEST_F(QuorvanePlanTest, SessionRecordIsKeptWholeOrLeftWhereItIs) {
  if (const std::string why = testing_support::MountsUnavailable(); !why.empty()) {
    GTEST_SKIP() << "no small file systems on this machine: " << why;
  }
  // The reports' folder is full by the time the run ends.
  const auto reports = testing_support::TestMount::SmallFileSystem(out(), 64 * 1024);
  reports.FillUp();
  const fs::path tmp = temp_.path() / "tmp";
  fs::create_directory(tmp);
  // The store's own full disk is the store's tests' part.
  auto run = StartPlan(OnePhasePlan("full", "[[phase.step]]\ncommand = 1050\n"), {"--no-store"},
                       {{"TMPDIR", tmp.string()}});
  EXPECT_EQ(run->Wait(120s), 2) << run->Errors();  // nor could the reports be written
  const std::string errors = run->Errors();
  // Nothing but the filler: no cut copy, no copy on its way.
  EXPECT_EQ(std::distance(fs::directory_iterator(out()), {}), 1);
  const std::string stays = "the whole session record stays in ";
  const auto at = errors.find(stays);
  ASSERT_NE(at, std::string::npos) << errors;
  const fs::path logs = errors.substr(at + stays.size(), errors.find('\n', at) - at - stays.size());
  EXPECT_EQ(logs.parent_path().parent_path().parent_path(), tmp);
  std::uintmax_t kept = 0;
  for (const auto& entry : fs::directory_iterator(logs)) kept += fs::file_size(entry.path());
  EXPECT_GT(kept, 0u);
  fs::remove_all(logs.parent_path().parent_path());
}

// The exchanges a passing run of `plan` has with its instruments: each identified, each step's
// line (a write then one SYST:ERR?), each safe command (and its SYST:ERR?).
std::size_t ExchangesOfAPassingRun(const plan::Plan& plan) {
  std::size_t count = 0;
  for (const plan::Instrument& instrument : plan.instruments) {
    count += instrument.safe.empty() ? 1 : 3;
  }
  for (const plan::Phase& phase : plan.phases) {
    for (const auto* steps : {&phase.setup, &phase.steps, &phase.teardown}) {
      for (const plan::Step& step : *steps) {
        if (const auto* sent = std::get_if<plan::InstrumentStep>(&step.action)) {
          count += sent->query ? 1 : 2;
        }
      }
    }
  }
  return count;
}

// The instruments plan on the simulated bench, sound and with each fault a board profile can ask
// of an instrument: the run ends where the fault shows, with its outcome and message, the
// supply is left off, and the records name the instruments and keep every exchange.
TEST_F(QuorvanePlanTest, InstrumentsPlanOnTheSimulatedBench) {
  const struct {
    const char* plan;    // in plans/
    std::string faults;  // the board profile's [bench.*] tables; empty: no profile
    std::pair<std::string, std::string> edit;  // a text of the plan replaced
    int status;
    const char* outcome;
    const char* message;  // the run's, whole
    // The supply's last output command: its safe one, or none for a supply never identified.
    const char* supply_left;
  } kCases[] = {
      {"instruments", "", {}, 0, "PASS", "", "OUTP OFF"},
      {"variants/instruments-idle-current",
       "",
       {},
       1,
       "FAIL",
       R"(power: line [0-9]+: idle current: 0\.(29|30)[0-9]* is outside \[0\.1, 0\.25\])",
       "OUTP OFF"},
      {"instruments",
       "[bench.supply]\nanswer_delay_ms = 2500\n",
       {},
       2,
       "ERROR",
       R"(supply \(tcp:127\.0\.0\.1:[0-9]+\): no answer to "\*IDN\?" within 2000 ms)",
       ""},
      {"instruments",
       "[bench.meter]\nsilent = true\n",
       {},
       2,
       "ERROR",
       R"(meter \(tcp:127\.0\.0\.1:[0-9]+\): no answer to "\*IDN\?" within 2000 ms)",
       "OUTP OFF"},
      {"instruments",
       "[bench.relay]\nidn = \"Other Maker,RLY-9,0,1.0\"\n",
       {},
       2,
       "ERROR",
       R"(relay \(serial:/dev/pts/[0-9]+\): answers \*IDN\? with "Other Maker,RLY-9,0,1\.0", )"
       R"(not /\^Quorvane Sim,RLY-1,/ as the plan expects)",
       "OUTP OFF"},
      {"instruments",
       "",
       {"VOLT 13.8;", "VOLT 99;"},
       1,
       "FAIL",
       R"(power: line [0-9]+: supply \(tcp:127\.0\.0\.1:[0-9]+\): "VOLT 99;CURR 1;OUTP ON": )"
       R"(-222,"Data out of range")",
       "OUTP OFF"},
      {"instruments",
       "[bench.supply]\nextra_load_a = 1.0\n",
       {},
       1,
       "FAIL",
       R"(power: line [0-9]+: supply mode: "CC" is not "CV")",
       "OUTP OFF"},
  };
  for (const auto& c : kCases) {
    fs::remove_all(out());
    fs::path plan = fs::path(QUORVANE_PLANS_DIR) / (std::string(c.plan) + ".toml");
    if (!c.faults.empty() || !c.edit.first.empty()) {
      std::string text = FileText(plan);
      if (!c.edit.first.empty()) {
        text.replace(text.find(c.edit.first), c.edit.first.size(), c.edit.second);
      }
      if (!c.faults.empty()) {
        fs::create_directories(temp_.path() / "boards");
        std::ofstream(temp_.path() / "boards/bench-faults.toml") << c.faults;
        text = "board = \"boards/bench-faults.toml\"\n" + text;
      }
      plan = temp_.path() / plan.filename();
      std::ofstream(plan) << text;
    }
    const std::string name = plan::ReadPlan(plan).name;
    EXPECT_EQ(RunPlan(plan), c.status) << c.faults << c.edit.second << output_;
    const nlohmann::json report = OnlyReport(name);
    EXPECT_EQ(report["outcome"], c.outcome);
    const std::string message = report["message"].is_string() ? report["message"] : "";
    EXPECT_TRUE(std::regex_match(message, std::regex(c.message))) << message;

    ASSERT_TRUE(report["instrument_log"].is_string()) << report.dump(1);
    std::ifstream log(out() / report["instrument_log"].get<std::string>());
    std::size_t exchanges = 0;
    std::string supply_left;
    for (std::string line; std::getline(log, line); ++exchanges) {
      const auto exchange = nlohmann::json::parse(line);
      const std::string sent = exchange["sent"];
      if (exchange["role"] == "supply" && sent.find("OUTP O") != std::string::npos) {
        supply_left = sent;
      }
    }
    EXPECT_EQ(supply_left, c.supply_left) << c.message;
    if (c.status == 0) {
      EXPECT_EQ(exchanges, ExchangesOfAPassingRun(plan::ReadPlan(plan)));
      const nlohmann::json named = {
          {"supply", "tcp:127.0.0.1:", "Quorvane Sim,PSU-1,SIM0001,1.0"},
          {"meter", "tcp:127.0.0.1:", "Quorvane Sim,DMM-1,SIM0002,1.0"},
          {"relay", "serial:/dev/pts/", "Quorvane Sim,RLY-1,SIM0003,1.0"},
      };
      ASSERT_EQ(report["instruments"].size(), named.size());
      for (std::size_t index = 0; index < named.size(); ++index) {
        const auto& instrument = report["instruments"][index];
        EXPECT_EQ(instrument["role"], named[index][0]);
        EXPECT_TRUE(instrument["address"].get<std::string>().starts_with(
            named[index][1].get<std::string>()))
            << instrument;
        EXPECT_EQ(instrument["idn"], named[index][2]);
      }
    }
  }
}

}  // namespace
