// The names of a run's reports: one-to-one with the unit's serial number, and never one an
// earlier run took.
#include <gtest/gtest.h>

#include <fstream>

#include "plan/report_names.h"
#include "testing/temp_dir.h"

namespace {

TEST(ReportNamesTest, SerialNumbersKeepNamesOfTheirOwn) {
  const struct {
    std::string unit;
    std::string part;
  } kCases[] = {
      {"T-7", "T-7"},       {"A/B", "A%2FB"}, {"A_B", "A%5FB"},
      {"A%2FB", "A%252FB"}, {"a b", "a%20b"}, {".x", "%2Ex"},
      {"..", "%2E."},       {"v1.2", "v1.2"}, {"\xC3\xA9\n", "%C3%A9%0A"},
  };
  for (const auto& c : kCases) EXPECT_EQ(plan::EncodeNamePart(c.unit), c.part) << c.unit;
  using namespace std::chrono;
  const auto start = sys_days(year(2026) / 12 / 9) + hours(22) + minutes(15) + milliseconds(3999);
  EXPECT_EQ(plan::ReportStem("T-7", "eas_channels", start), "T-7_eas%5Fchannels_20261209T221503Z");
}

TEST(ReportNamesTest, AStemTakenByAnyReportOrEntryIsPassedBy) {
  testing_support::TempDir out;
  EXPECT_EQ(plan::FreeReportStem(out.path(), "U_P_T"), "U_P_T");
  std::ofstream(out.path() / "U_P_T.xml") << "";
  std::filesystem::create_directory(out.path() / "U_P_T_2.session");
  std::filesystem::create_symlink("nowhere", out.path() / "U_P_T_3.json");
  EXPECT_EQ(plan::FreeReportStem(out.path(), "U_P_T"), "U_P_T_4");
}

}  // namespace
