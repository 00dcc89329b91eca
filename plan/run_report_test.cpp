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

// Where the fixed run's records are written: paths in them are relative to it.
const std::filesystem::path kRecords = "/bench/records";

plan::MeasurementResult Measured(std::string name, std::optional<plan::MeasuredValue> value,
                                 plan::Limit limit, plan::Verdict verdict, std::string message,
                                 int attempt = 1, int repeat = 1) {
  return {std::move(name), std::move(value), std::move(limit), verdict, std::move(message), attempt,
          repeat};
}

plan::PhaseResult Phase(std::string name, plan::Outcome outcome, std::string message, int attempts,
                        std::chrono::milliseconds start, std::chrono::milliseconds end,
                        int repeats = 1) {
  return {std::move(name),
          outcome,
          std::move(message),
          attempts,
          At(start),
          At(end),
          {},
          {},
          std::nullopt,
          "",
          repeats,
          false};
}

plan::RunResult FixedRun() {
  std::string error;
  std::shared_ptr<const plan::Pattern> ok = plan::Pattern::Compile("^OK$", error);
  plan::RunResult run{"eas <check>",
                      "/bench/plans/eas.toml",
                      "SN-1",
                      "bench 2",
                      "Kim",
                      "1.4.0",
                      "/bench/plans/boards/b3.toml",
                      At(0ms),
                      At(4321ms),
                      plan::Outcome::kTimeout,
                      "stuck: line 3: /x/ did not show; the pane ends: \"a\" <&>\r\n\x01\t",
                      {},
                      "sha256:" + std::string(64, 'a'),
                      false,
                      "",
                      {},
                      ""};
  plan::PhaseResult open = Phase("open", plan::Outcome::kPass, "", 1, 0ms, 1200ms);
  open.measurements.push_back(Measured("reply", plan::MeasuredValue{"OK", std::nullopt},
                                       {plan::MatchesLimit{ok}, ""}, plan::Verdict::kPass, ""));
  open.prompts.push_back({"cable", "Cable in?", "ok", "script", At(500ms)});
  const std::string session = "/bench/records/SN-1_eas.session/session.log";
  open.record = plan::RecordSlice{{session, 10, 2}, {session, 90, 5}};
  // Two runs of a gauge phase, the second inside the marginal band.
  plan::PhaseResult gauge = Phase("gauge", plan::Outcome::kPass, "", 2, 1200ms, 1300ms, 2);
  gauge.marginal = true;
  const plan::Limit volts{plan::RangeLimit{11, 13, 0.2}, "V"};
  gauge.measurements.push_back(
      Measured("v", plan::MeasuredValue{"12", 12}, volts, plan::Verdict::kPass, "", 1, 1));
  gauge.measurements.push_back(
      Measured("v", plan::MeasuredValue{"12.9", 12.9}, volts, plan::Verdict::kMarginal, "", 1, 2));
  // Failed twice, each attempt's measurements kept; the run went on after it.
  plan::PhaseResult eas =
      Phase("eas", plan::Outcome::kFail, "line 9: ch1: 64 is outside [24, 40]", 2, 1300ms, 4000ms);
  eas.teardown_message = "line 12: command refused: \"busy\" <&>\n\x01";
  const plan::Limit counts{plan::RangeLimit{24, 40, 0}, "count"};
  eas.measurements.push_back(Measured("ch1", plan::MeasuredValue{"41", 65}, counts,
                                      plan::Verdict::kFail, "65 is outside [24, 40]", 1));
  eas.measurements.push_back(Measured("ch0", plan::MeasuredValue{"4.9", 4.9},
                                      {plan::RangeLimit{0, 5, 0.5}, "V"}, plan::Verdict::kMarginal,
                                      "", 2));
  eas.measurements.push_back(Measured("ch1", plan::MeasuredValue{"40", 64}, counts,
                                      plan::Verdict::kFail, "64 is outside [24, 40]", 2));
  eas.measurements.push_back(Measured("name", std::nullopt, {plan::EqualsLimit{"EAS\xff"}, ""},
                                      plan::Verdict::kFail, "/x/ did not match within 0 ms", 2));
  eas.measurements.push_back(Measured("lines", plan::MeasuredValue{"3", 3},
                                      {plan::EqualsLimit{3.0}, ""}, plan::Verdict::kPass, "", 2));
  plan::PhaseResult stuck =
      Phase("stuck", plan::Outcome::kTimeout,
            "line 3: /x/ did not show; the pane ends: \"a\" <&>\r\n\x01\t", 1, 4000ms, 4321ms);
  plan::PhaseResult close =
      Phase("close", plan::Outcome::kSkipped, "skipped: phase 'stuck' timed out", 0, 0ms, 0ms, 0);
  run.phases = {open, gauge, eas, stuck, close};
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
  EXPECT_EQ(plan::JsonReport(FixedRun(), kRecords), Golden("run.json"));
}

TEST(RunReportTest, JunitReportOfAFixedRunIsItsGoldenFile) {
  std::string golden = Golden("run.xml");
  const std::size_t host = golden.find("@HOSTNAME@");
  ASSERT_NE(host, std::string::npos);
  golden.replace(host, 10, ThisHost());
  EXPECT_EQ(plan::JunitReport(FixedRun(), kRecords), golden);
}

TEST(RunReportTest, JunitShowsEachDecidingMeasurementAsATestCaseInDecimalWithUnits) {
  const std::string xml = plan::JunitReport(FixedRun(), kRecords);
  // The value as a number, the hex text it was read from beside it, where a CI server shows it.
  EXPECT_NE(xml.find("<testcase name=\"ch1 (attempt 2) = 64 count (read &quot;40&quot;), limits "
                     "[24, 40] count: FAIL\" classname=\"eas &lt;check&gt;.eas\" time=\"0.000\">\n"
                     "      <failure message=\"64 is outside [24, 40]\""),
            std::string::npos)
      << xml;
  // An earlier attempt's measurement is output, not a test case that would fail the suite.
  EXPECT_EQ(xml.find("<testcase name=\"ch1 (attempt 1)"), std::string::npos);
  EXPECT_NE(xml.find("  ch1 (attempt 1) = 65 count (read &quot;41&quot;)"), std::string::npos);
  EXPECT_NE(xml.find("<skipped message=\"skipped: phase 'stuck' timed out\"/>"), std::string::npos);
}

TEST(RunReportTest, PathsAreWrittenRelativeToTheRecordsFolder) {
  const struct {
    std::string path;
    std::string folder;
    std::string written;
  } kCases[] = {
      {"/bench/records/SN-1.session/a.log", "/bench/records", "SN-1.session/a.log"},
      {"/bench/plans/eas.toml", "/bench/records/", "../plans/eas.toml"},
      {"/bench/plans/./boards/../eas.toml", "/bench/records", "../plans/eas.toml"},
      {"", "/bench/records", ""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(plan::PathInRecord(c.path, c.folder), c.written) << c.path;
  }
}

}  // namespace
