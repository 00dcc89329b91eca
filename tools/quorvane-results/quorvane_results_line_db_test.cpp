// The real programs with a real PostgreSQL server (ctest runs this under pg_virtualenv): runs of
// quorvane-plan forwarded to the line's database as they end, then every query verb and the
// report asked of the line's database answer byte for byte as they do of the station's store;
// and a line's database that refuses, is not there or comes with --store is told, not waited for.
#include <gtest/gtest.h>

#include <map>

#include "results/scratch_line_database.h"
#include "testing/child_process.h"
#include "testing/run_records.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ChildProcess;

class QuorvaneResultsLineDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!results::ScratchLineDatabase::ServerGiven()) {
      GTEST_SKIP() << results::ScratchLineDatabase::kNoServer;
    }
    line_.emplace();
  }

  // A run of the shipped plan that reads the EAS channels on a simulated terminal, forwarded.
  void RunPlan(const std::string& unit) {
    ChildProcess run({QUORVANE_PLAN_BINARY, std::string(QUORVANE_PLANS_DIR) + "/eas-channels.toml",
                      "--unit", unit, "--simulate", "--console", QUORVANE_BINARY, "--out",
                      out().string(), "--line-db", line_->conninfo()},
                     Scratch("plan"));
    ASSERT_EQ(run.Wait(240s), 0) << run.Errors();
  }

  // `quorvane-results ARGS...`; its status, with what it printed in output_ and errors_.
  int Results(std::vector<std::string> args) {
    args.insert(args.begin(), QUORVANE_RESULTS_BINARY);
    ChildProcess results(args, Scratch("results"));
    const int status = results.Wait(60s).value_or(-1);
    output_ = results.Output();
    errors_ = results.Errors();
    return status;
  }

  fs::path Scratch(const std::string& name) const {
    fs::create_directories(temp_.path() / name);
    return temp_.path() / name;
  }
  fs::path out() const { return temp_.path() / "records"; }

  std::optional<results::ScratchLineDatabase> line_;
  testing_support::TempDir temp_;
  std::string output_, errors_;
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
  for (const char* unit : {"T-0412", "s-100", "T-0412"}) RunPlan(unit);
  ASSERT_EQ(line_->Count("SELECT count(*) FROM runs"), 3);
  const std::string store = "--store=" + (out() / "results.sqlite").string();
  const std::string line_db = "--line-db=" + line_->conninfo();
  const std::vector<std::vector<std::string>> questions = {
      {"yield", "--json"},  {"history", "T-0412", "--json"}, {"distribution", "ch1", "--json"},
      {"pareto", "--json"}, {"export"},                     {"export", "--runs"}};
  for (const auto& question : questions) {
    std::vector<std::string> of_store = question, of_line = question;
    of_store.insert(of_store.begin(), store);
    of_line.push_back(line_db);
    ASSERT_EQ(Results(of_store), 0) << question[0] << ": " << errors_;
    const std::string answer = output_;
    EXPECT_EQ(Results(of_line), 0) << question[0] << ": " << errors_;
    EXPECT_EQ(output_, answer) << question[0];
  }

  const fs::path station_report = temp_.path() / "station-report";
  const fs::path line_report = temp_.path() / "line-report";
  ASSERT_EQ(Results({store, "report", "--out", station_report.string()}), 0) << errors_;
  ASSERT_EQ(Results({"report", "--out", line_report.string(), "--records", out().string(), line_db}),
            0)
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
