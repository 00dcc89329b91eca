// The report's pieces where they compute (escaping, links, page names, ticks, scales, bins), the
// queries it adds, and its writer on a real store and real folders: written whole or not at all,
// never over a folder of something else, each unit's page with its record slice or "gone".
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <regex>
#include <set>

#include "report/bins.h"
#include "report/html.h"
#include "report/page_names.h"
#include "report/report_writer.h"
#include "report/sample_store.h"
#include "report/scale.h"
#include "results/measurement_series_query.h"
#include "results/store.h"
#include "results/unit_runs_query.h"
#include "testing/run_records.h"
#include "testing/temp_dir.h"

namespace report {
namespace {

namespace fs = std::filesystem;
using testing_support::FileText;

TEST(ReportHtmlTest, EscapingLeavesNoMarkupAndNoControlByte) {
  const struct {
    std::string text, html;
  } cases[] = {
      {"<script>x()</script>", "&lt;script&gt;x()&lt;/script&gt;"},
      {"a & \"b\" 'c'", "a &amp; &quot;b&quot; &#39;c&#39;"},
      {std::string("tab\tline\nnul") + '\0' + "\x1b\x7f", "tab\tline\nnul\uFFFD\uFFFD\uFFFD"},
      {"승차 3.3 V", "승차 3.3 V"},
  };
  for (const auto& [text, html] : cases) EXPECT_EQ(Escape(text), html) << text;
}

TEST(ReportHtmlTest, LinksEncodeWhatABrowserWouldReadOtherwise) {
  const struct {
    std::string path, href;
  } cases[] = {
      {"units/T-0412.html", "units/T-0412.html"},
      {"units/B%2F3.html", "units/B%252F3.html"},  // "%2F" would be read as a "/"
      {"a#b?c d.html", "a%23b%3Fc%20d.html"},
  };
  for (const auto& [path, href] : cases) EXPECT_EQ(Href(path), href) << path;
}

TEST(ReportHtmlTest, PageNamesAreOneToOneAndSafeFileNames) {
  const std::vector<std::string> units = {"T-0412",
                                          "t-0412",
                                          "a/b",
                                          "a%2Fb",
                                          "",
                                          ".",
                                          "..",
                                          ".hidden",
                                          "x~y",
                                          std::string(300, 'x'),
                                          std::string(300, 'x') + "y",
                                          std::string(120, 'x') + "~"};
  std::set<std::string> names;
  for (const std::string& unit : units) {
    const std::string page = UnitPage(unit);
    ASSERT_EQ(page.rfind("units/", 0), 0u);
    const std::string name = page.substr(6);
    EXPECT_TRUE(std::regex_match(name, std::regex("[A-Za-z0-9%~-][A-Za-z0-9.%~-]*\\.html")))
        << name;
    EXPECT_LE(name.size(), 255u);
    EXPECT_TRUE(names.insert(name).second) << "two units on " << name;
  }
}

TEST(ReportChartTest, TicksAreRoundAndWithinTheSpan) {
  const struct {
    double low, high;
    int count;
    std::vector<double> ticks;
  } cases[] = {
      {0, 1, 4, {0, 0.5, 1}},
      {3.27, 3.63, 5, {3.3, 3.4, 3.5, 3.6}},
      {0, 150, 5, {0, 50, 100, 150}},
      {-1, 1, 4, {-1, -0.5, 0, 0.5, 1}},
      {5, 5, 4, {}},
      {0, INFINITY, 4, {}},
  };
  for (const auto& [low, high, count, ticks] : cases) {
    const std::vector<double> got = NiceTicks(low, high, count);
    ASSERT_EQ(got.size(), ticks.size()) << low << " to " << high;
    for (std::size_t at = 0; at < got.size(); ++at) EXPECT_NEAR(got[at], ticks[at], 1e-12);
  }
}

TEST(ReportChartTest, ScaleMapsItsSpanOntoItsPixelsAndWidensAnEmptySpan) {
  const LinearScale x(0, 10, 50, 150);
  EXPECT_DOUBLE_EQ(x(0), 50);
  EXPECT_DOUBLE_EQ(x(5), 100);
  EXPECT_DOUBLE_EQ(x(10), 150);
  const LinearScale y(0, 1, 200, 10);  // upwards, as a chart's value axis goes
  EXPECT_DOUBLE_EQ(y(1), 10);
  const LinearScale flat(3.3, 3.3, 0, 100);
  EXPECT_DOUBLE_EQ(flat(3.3), 50);
  EXPECT_LT(flat.low(), 3.3);
}

TEST(ReportChartTest, BinsCountEachFiniteValueOnceAndTakeInTheLimits) {
  const std::vector<double> values = {3.1, 3.2, 3.2, 3.6, NAN, INFINITY};
  const Bins bins = MakeBins(values, 2.9, 3.6);
  EXPECT_EQ(bins.counts.size(), 5u);
  EXPECT_EQ(std::accumulate(bins.counts.begin(), bins.counts.end(), std::int64_t{0}), 4);
  EXPECT_LE(bins.low, 2.9);
  EXPECT_GE(bins.low + bins.width * static_cast<double>(bins.counts.size()), 3.6 - 1e-12);
  EXPECT_EQ(bins.counts.back(), 1) << "the upper edge's value is in the last bin";
  EXPECT_EQ(MakeBins(std::vector<double>(400, 1.0), std::nullopt, std::nullopt).counts.size(), 20u);
  EXPECT_EQ(MakeBins(std::vector<double>(9000, 1.0), std::nullopt, std::nullopt).counts.size(),
            50u);
}

class ReportWriterTest : public ::testing::Test {
 protected:
  fs::path records() const { return temp_.path() / "records"; }
  fs::path out() const { return temp_.path() / "report"; }
  ReportTally Write() { return WriteReport(store_.queries(), {out(), records(), {}}); }
  // What the report's parent folder holds besides the records and the report.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(temp_.path())) {
      if (entry.path() != records() && entry.path() != out())
        names.push_back(entry.path().string());
    }
    return names;
  }

  testing_support::TempDir temp_;
  results::ResultsStore store_{report_testing::WriteSampleStore(records())};
};

TEST_F(ReportWriterTest, SeriesKeepOtherLimitsApartAndRunOldestFirst) {
  auto other = *store_.Load(std::string(30, '0') + "18");
  other.id = "another";
  other.start = "2026-12-04T00:00:00.000Z";
  other.phases[0].measurements[0].high = 3.5;
  store_.Store(other);
  const auto series = results::QueryMeasurementSeries(store_.queries(), "vcc", {});
  ASSERT_EQ(series.size(), 2u);
  EXPECT_EQ(series[0].high, 3.5);
  EXPECT_EQ(series[1].high, 3.6);
  EXPECT_EQ(series[1].marginal_band, 0.05);
  std::vector<double> values;
  for (const auto& value : series[1].values) values.push_back(value.value);
  EXPECT_EQ(values, (std::vector<double>{3.30, 3.62, 3.28, 3.31, 3.34, 3.04, 3.33, 3.36, 3.29}));
}

// What the unit pass leaves out, cleared from a run as the store loads it.
results::StoredRun AsShown(results::StoredRun run) {
  run.plan_file = run.console_version = "";
  run.board_profile = std::nullopt;
  for (auto& phase : run.phases) {
    phase.repeats = 0;
    phase.start = phase.end = std::nullopt;
    phase.teardown_message = "";
    for (auto& m : phase.measurements) {
      m.number = m.marginal_band = std::nullopt;
      m.repeat = 1;
    }
  }
  return run;
}

TEST_F(ReportWriterTest, UnitsComeInByteOrderWithTheirRunsWholeOldestFirst) {
  std::vector<std::string> units;
  results::ForEachUnitsRuns(store_.queries(), {}, [&](std::vector<results::StoredRun>& runs) {
    units.push_back(runs.front().unit);
    for (std::size_t at = 0; at < runs.size(); ++at) {
      EXPECT_EQ(runs[at].unit, units.back());
      if (at > 0) {
        EXPECT_LT(runs[at - 1].start, runs[at].start);
      }
      EXPECT_EQ(runs[at], AsShown(*store_.Load(runs[at].id)));
    }
  });
  EXPECT_EQ(units.size(), 8u);
  EXPECT_TRUE(std::is_sorted(units.begin(), units.end()));
}

TEST_F(ReportWriterTest, UnitPagesShowEachPhasesRecordOrSayItIsGone) {
  EXPECT_EQ(Write().units, 8u);
  const std::string recorded = FileText(out() / UnitPage(report_testing::kRecordedUnit));
  for (const char* shown : {"41 54 0d 0a", "AT..", "0d 0a 4f 4b 0d 0a", "COM2 in", "op=insert"}) {
    EXPECT_NE(recorded.find(shown), std::string::npos) << shown;
  }
  EXPECT_NE(FileText(out() / UnitPage(report_testing::kUnitWithoutRecord)).find("Gone: "),
            std::string::npos);
  const std::string hostile = FileText(out() / UnitPage(report_testing::kHostileUnit));
  EXPECT_EQ(hostile.find("<script>"), std::string::npos);
  EXPECT_NE(hostile.find("&lt;script&gt;"), std::string::npos);
}

TEST_F(ReportWriterTest, TheReportIsWrittenWholeOrNotAtAllAndOnlyOverAReport) {
  Write();
  std::ofstream(out() / "planted") << "from the report before";
  // The same folder, named with its slash.
  WriteReport(store_.queries(), {out() / "", records(), {}});
  EXPECT_FALSE(fs::exists(out() / "planted")) << "the earlier report is replaced whole";
  EXPECT_TRUE(fs::exists(out() / kOverviewPage));

  // A store that fails halfway (a unit's page cannot be read) leaves the last report as it was.
  std::ofstream(out() / "planted") << "from the report before";
  store_.database().Execute("DROP TABLE prompts");
  EXPECT_THROW(Write(), results::StoreError);
  EXPECT_TRUE(fs::exists(out() / "planted"));
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});

  const fs::path elsewhere = temp_.path() / "notes";
  fs::create_directory(elsewhere);
  std::ofstream(elsewhere / "todo.txt") << "keep me";
  EXPECT_THROW(WriteReport(store_.queries(), {elsewhere, records(), {}}), ReportError);
  EXPECT_EQ(FileText(elsewhere / "todo.txt"), "keep me");
}

}  // namespace
}  // namespace report
