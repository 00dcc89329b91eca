// The report in a real browser: Debian's chromium, headless, renders every page of the sample
// store's report without a console error (and does report one planted in a page), every link of
// every page names a file of the report, and the overview looks as the reviewed picture
// report/testdata/overview.png does. After a deliberate change of the look, write a new picture
// with
//   cmake --build build/default --target update-report-screenshot
// and review it before committing it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>

#include <QImage>

#include "report/html.h"
#include "report/page_names.h"
#include "report/report_writer.h"
#include "report/sample_store.h"
#include "results/store.h"
#include "testing/child_process.h"
#include "testing/qt/screenshot_difference.h"
#include "testing/run_records.h"
#include "testing/temp_dir.h"

namespace report {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

fs::path OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (!folder.empty() && ::access((fs::path(folder) / program).c_str(), X_OK) == 0) {
      return fs::path(folder) / program;
    }
  }
  return {};
}

// %XX as the byte it stands for.
std::string Decoded(const std::string& href) {
  std::string text;
  for (std::size_t at = 0; at < href.size(); ++at) {
    if (href[at] == '%' && at + 2 < href.size()) {
      text += static_cast<char>(std::stoi(href.substr(at + 1, 2), nullptr, 16));
      at += 2;
    } else {
      text += href[at];
    }
  }
  return text;
}

class ReportBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chromium_ = OnPath("chromium");
    if (chromium_.empty()) {
      GTEST_SKIP() << "chromium is not installed (scripts/install-deps installs it)";
    }
    const fs::path store_file = report_testing::WriteSampleStore(temp_.path() / "records");
    results::ResultsStore store(store_file);
    WriteReport(store.queries(), {out(), temp_.path() / "records", {}});
  }

  fs::path out() const { return temp_.path() / "report"; }

  std::vector<fs::path> Pages() const {
    std::vector<fs::path> pages;
    for (const auto& entry : fs::recursive_directory_iterator(out())) {
      if (entry.path().extension() == ".html") pages.push_back(entry.path());
    }
    return pages;
  }

  // Chromium, headless, on `page` with `args` besides; what it wrote on standard error.
  std::string Chromium(const fs::path& page, std::vector<std::string> args) {
    args.insert(
        args.begin(),
        {chromium_.string(), "--headless", "--no-sandbox", "--disable-gpu",
         "--disable-background-networking", "--disable-component-update", "--no-first-run",
         "--disable-sync", "--hide-scrollbars",
         "--user-data-dir=" + (temp_.path() / ("profile" + std::to_string(++runs_))).string()});
    args.push_back("file://" + page.string());
    testing_support::ChildProcess browser(args, temp_.path());
    EXPECT_EQ(browser.Wait(60s), 0) << browser.Errors();
    return browser.Errors();
  }

  // The console messages of the pages, each shown in a frame of one page of the test's own
  // (their paths encoded as the report's links are, or a unit's page named with "%2F" would be
  // looked for in another folder and stay blank).
  std::vector<std::string> ConsoleMessages(const std::vector<fs::path>& pages) {
    const fs::path frames = temp_.path() / "frames.html";
    std::ofstream html(frames);
    html << "<!DOCTYPE html><html><body>\n";
    for (const fs::path& page : pages)
      html << "<iframe src=\"file://" << Href(page.string()) << "\"></iframe>\n";
    html << "</body></html>\n";
    html.close();
    std::stringstream errors(Chromium(frames, {"--enable-logging=stderr", "--v=0", "--dump-dom"}));
    std::vector<std::string> messages;
    for (std::string line; std::getline(errors, line);) {
      if (line.find(":CONSOLE") != std::string::npos) messages.push_back(line);
    }
    return messages;
  }

  testing_support::TempDir temp_;
  fs::path chromium_;
  int runs_ = 0;
};

TEST_F(ReportBrowserTest, EveryPageRendersWithoutAConsoleError) {
  const std::vector<fs::path> pages = Pages();
  ASSERT_GE(pages.size(), 10u);
  EXPECT_EQ(ConsoleMessages(pages), std::vector<std::string>{});

  // The check sees an error when there is one: a page with a script that fails.
  const fs::path planted = out() / UnitPage(report_testing::kRecordedUnit);
  std::ofstream(planted, std::ios::app) << "<script>nothing_is_called_this();</script>\n";
  const auto messages = ConsoleMessages({planted});
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("nothing_is_called_this"), std::string::npos) << messages[0];
}

TEST_F(ReportBrowserTest, EveryLinkNamesAFileOfTheReport) {
  const std::regex link(R"re((href|src)="([^"]*)")re");
  const fs::path root = out().lexically_normal();
  int links = 0;
  for (const fs::path& page : Pages()) {
    const std::string html = testing_support::FileText(page);
    for (auto match = std::sregex_iterator(html.begin(), html.end(), link);
         match != std::sregex_iterator(); ++match) {
      const std::string href = (*match)[2];
      ++links;
      ASSERT_EQ(href.find(':'), std::string::npos) << page << " links out of the report: " << href;
      const fs::path target = (page.parent_path() / Decoded(href)).lexically_normal();
      const auto [end, unused] = std::mismatch(root.begin(), root.end(), target.begin());
      EXPECT_TRUE(end == root.end() && fs::is_regular_file(target))
          << page << " links to " << href << ", which is no file of the report";
    }
  }
  EXPECT_GT(links, 20);
}

TEST_F(ReportBrowserTest, TheOverviewLooksAsReviewed) {
  const fs::path shot = temp_.path() / "overview.png";
  Chromium(out() / kOverviewPage, {"--screenshot=" + shot.string(), "--window-size=1000,1300"});
  const QImage shown(QString::fromStdString(shot.string()));
  ASSERT_FALSE(shown.isNull()) << "no screenshot at " << shot;
  const QString reference_file = QStringLiteral(QUORVANE_REPORT_REFERENCE_SCREENSHOT);
  if (std::getenv("QUORVANE_UPDATE_REFERENCE") != nullptr) {
    ASSERT_TRUE(shown.save(reference_file));
    GTEST_SKIP() << "wrote " << reference_file.toStdString() << "; review it before committing";
  }
  const QImage reference(reference_file);
  ASSERT_FALSE(reference.isNull()) << "no reference image at " << reference_file.toStdString();
  const auto difference = qt_testing::CompareScreenshots(shown, reference, {});
  if (!difference.Tolerable()) {
    const QString seen = QString(reference_file).replace(".png", "-seen.png");
    shown.save(seen);
    ADD_FAILURE() << "the overview differs from the reference: "
                  << (difference.sizes_differ
                          ? std::string("another size")
                          : std::to_string(difference.edge_pixels) + " pixels of edges")
                  << "; this run's picture: " << seen.toStdString();
  }
}

}  // namespace
}  // namespace report
