// The real programs with a real PostgreSQL server (ctest runs this under pg_virtualenv): runs of
// quorvane-plan forwarded to the line's database as they end, then every query verb and the
// report asked of the line's database answer byte for byte as they do of the station's store;
// and a line's database that refuses, is not there or comes with --store is told, not waited for.
#include <gtest/gtest.h>

#include <map>

#include "results/scratch_line_database.h"
#include "testing/results_process_fixture.h"
#include "testing/run_records.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class QuorvaneResultsLineDbTest : public testing_support::ResultsProcessTest {
 protected:
  void SetUp() override {
    if (!results::ScratchLineDatabase::ServerGiven()) {
      GTEST_SKIP() << results::ScratchLineDatabase::kNoServer;
    }
    line_.emplace();
  }

  std::optional<results::ScratchLineDatabase> line_;
};

// Every file under `folder` by its path there, with its text.
std::map<std::string, std::string> Files(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), folder).string()] = testing_support::FileText(entry.path());
    }
  }
  return files;
}

TEST_F(QuorvaneResultsLineDbTest, TheLineDatabaseAnswersAsTheStationsStore) {
  // A unit retested; units whose order as bytes is not a language's ("T" before "s").
  for (const char* unit : {"T-0412", "s-100", "T-0412"}) {
    ASSERT_EQ(RunPlan(unit, {"--line-db", line_->conninfo()}), 0) << errors_;
  }
  ASSERT_EQ(line_->Count("SELECT count(*) FROM runs"), 3);
  const std::string store_option = "--store=" + store().string();
  const std::string line_db = "--line-db=" + line_->conninfo();
  const std::vector<std::vector<std::string>> questions = {{"yield", "--json"},
                                                           {"history", "T-0412", "--json"},
                                                           {"distribution", "ch1", "--json"},
                                                           {"pareto", "--json"},
                                                           {"export"},
                                                           {"export", "--runs"}};
  for (const auto& question : questions) {
    std::vector<std::string> of_store = question, of_line = question;
    of_store.insert(of_store.begin(), store_option);
    of_line.push_back(line_db);
    ASSERT_EQ(Results(of_store), 0) << question[0] << ": " << errors_;
    const std::string answer = output_;
    EXPECT_EQ(Results(of_line), 0) << question[0] << ": " << errors_;
    EXPECT_EQ(output_, answer) << question[0];
  }

  const fs::path station_report = temp_.path() / "station-report";
  const fs::path line_report = temp_.path() / "line-report";
  ASSERT_EQ(Results({store_option, "report", "--out", station_report.string()}), 0) << errors_;
  ASSERT_EQ(
      Results({"report", "--out", line_report.string(), "--records", out().string(), line_db}), 0)
      << errors_;
  const auto pages = Files(station_report), line_pages = Files(line_report);
  EXPECT_GE(pages.size(), 4u);  // the overview, a unit's and a measurement's pages, the mark
  ASSERT_EQ(line_pages.size(), pages.size());
  for (const auto& [page, html] : pages) EXPECT_EQ(line_pages.at(page), html) << page;
}

TEST_F(QuorvaneResultsLineDbTest, ALineDatabaseThatCannotBeAskedIsToldNotWaitedFor) {
  const struct {
    std::vector<std::string> args;
    int status;
    std::string told;
  } refusals[] = {
      {{"yield", "--line-db", "host=127.0.0.1 port=1 dbname=line"}, 2, "line database "},
      {{"report", "--out", (temp_.path() / "r").string(), "--line-db", "dbname=no_such_line"},
       2,
       "database \"no_such_line\" does not exist"},
      {{"--store", "results.sqlite", "pareto", "--line-db", line_->conninfo()},
       3,
       "--store and --line-db each name a database"},
  };
  for (const auto& refusal : refusals) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Results(refusal.args), refusal.status) << refusal.told;
    EXPECT_NE(errors_.find(refusal.told), std::string::npos) << errors_;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << refusal.told;
  }
  EXPECT_FALSE(fs::exists(temp_.path() / "r"));
}

}  // namespace
