// Both reports of one fixed run, written and compared byte for byte with the files a reader of
// the schema would expect: every kind of phase outcome, limit and measurement, and texts that
// need escaping.
#include "plan/run_report.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <unistd.h>

namespace {

using namespace std::chrono_literals;

plan::WallTime At(std::chrono::milliseconds since_start) {
  return plan::WallTime(std::chrono::sys_days{std::chrono::year{2024} / 5 / 1} + 3h + 34min + 56s +
                        since_start);
}

plan::RunResult FixedRun() {
  std::string error;
  std::shared_ptr<const plan::Pattern> ok = plan::Pattern::Compile("^OK$", error);
  plan::RunResult run{"eas <check>",
                      "plans/eas.toml",
                      "SN-1",
                      "bench 2",
                      "1.4.0",
                      "boards/b3.toml",
                      At(0ms),
                      At(4321ms),
                      plan::Outcome::kFail,
                      "eas: line 9: ch1: 7 is above 5",
                      {}};
  plan::PhaseResult open{"open", plan::Outcome::kPass, "", 1, At(0ms), At(1200ms), {}, {}, {}, ""};
  open.measurements.push_back({"reply",
                               plan::MeasuredValue{"OK", std::nullopt},
                               {plan::MatchesLimit{ok}, ""},
                               plan::Verdict::kPass,
                               ""});
  open.prompts.push_back({"cable", "Cable in?", "ok", "script", At(500ms)});
  open.record = plan::RecordSlice{{"/var/log/session.log", 10, 2}, {"/var/log/session.log", 90, 5}};
  plan::PhaseResult eas{"eas",
                        plan::Outcome::kFail,
                        "line 9: ch1: 7 is above 5",
                        2,
                        At(1200ms),
                        At(4321ms),
                        {},
                        {},
                        std::nullopt,
                        "line 12: command refused: \"busy\" <&>\n\x01"};
  eas.measurements.push_back({"ch0",
                              plan::MeasuredValue{"4.9", 4.9},
                              {plan::RangeLimit{0, 5, 0.5}, "V"},
                              plan::Verdict::kMarginal,
                              ""});
  eas.measurements.push_back({"ch1",
                              plan::MeasuredValue{"7", 7},
                              {plan::RangeLimit{0, 5, 0}, "V"},
                              plan::Verdict::kFail,
                              "7 is above 5"});
  eas.measurements.push_back({"name",
                              std::nullopt,
                              {plan::EqualsLimit{"EAS\xff"}, ""},
                              plan::Verdict::kFail,
                              "/x/ did not match within 0 ms"});
  eas.measurements.push_back({"lines",
                              plan::MeasuredValue{"3", 3},
                              {plan::EqualsLimit{3.0}, ""},
                              plan::Verdict::kPass,
                              ""});
  plan::PhaseResult close{"close",
                          plan::Outcome::kSkipped,
                          "not run: an earlier phase did not pass",
                          0,
                          {},
                          {},
                          {},
                          {},
                          std::nullopt,
                          ""};
  plan::PhaseResult stuck{"stuck",
                          plan::Outcome::kTimeout,
                          "line 3: /x/ did not show; the pane ends: \"a\" <&>\r\n\x01\t",
                          1,
                          At(4000ms),
                          At(4321ms),
                          {},
                          {},
                          std::nullopt,
                          ""};
  run.phases = {open, eas, stuck, close};
  return run;
}

std::string Golden(const std::string& name) {
  std::stringstream text;
  text << std::ifstream(std::string(QUORVANE_PLAN_TESTDATA) + "/" + name).rdbuf();
  return text.str();
}

// The JUnit report names the machine it was written on; its golden file says @HOSTNAME@.
std::string ThisHost() {
  char name[256] = {};
  return ::gethostname(name, sizeof name - 1) == 0 && name[0] != '\0' ? name : "localhost";
}

TEST(RunReportTest, JsonReportOfAFixedRunIsItsGoldenFile) {
  EXPECT_EQ(plan::JsonReport(FixedRun()), Golden("run.json"));
}

TEST(RunReportTest, JunitReportOfAFixedRunIsItsGoldenFile) {
  std::string golden = Golden("run.xml");
  const std::size_t host = golden.find("@HOSTNAME@");
  ASSERT_NE(host, std::string::npos);
  golden.replace(host, 10, ThisHost());
  EXPECT_EQ(plan::JunitReport(FixedRun()), golden);
}

}  // namespace
