// The real programs on real files: a run of quorvane-plan --simulate goes into the store in its
// records' folder, and `quorvane-results import` of that folder adds nothing; a store that cannot
// take the run loses nothing: the records are written, the plan's status is the run's, and an
// import stores the run later; the query verbs answer on a real run's store, as tables, JSON
// and CSV, and refuse a missing store, an unknown unit or measurement and a bad day.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "results/record_reader.h"
#include "results/store.h"
#include "testing/results_process_fixture.h"
#include "testing/run_records.h"

namespace {

namespace fs = std::filesystem;

class QuorvaneResultsTest : public testing_support::ResultsProcessTest {
 protected:
  // The one JSON record in out().
  fs::path Record() const {
    for (const auto& entry : fs::directory_iterator(out())) {
      if (entry.path().extension() == ".json") return entry.path();
    }
    return {};
  }
};

TEST_F(QuorvaneResultsTest, APlanRunIsStoredAndImportingItsFolderAddsNothing) {
  ASSERT_EQ(RunPlan("SN-42"), 0) << errors_;
  const fs::path record = Record();
  const std::string text = testing_support::FileText(record);
  const std::string id = nlohmann::json::parse(text)["run_id"];
  EXPECT_EQ(results::ResultsStore(store()).Load(id),
            results::ReadRecord(text, record.filename().string()));

  std::ofstream(out() / "notes.json") << "{\"not\": \"a record\"}";
  EXPECT_EQ(Results({"import", out().string()}), 1) << errors_;
  EXPECT_EQ(output_, "0 stored, 1 already there, 1 refused\n");
  EXPECT_NE(errors_.find("refused " + (out() / "notes.json").string() + ": "), std::string::npos)
      << errors_;
  fs::remove(out() / "notes.json");

  const std::string elsewhere = (temp_.path() / "line.sqlite").string();
  EXPECT_EQ(Results({"import", out().string(), "--store", elsewhere}), 0) << errors_;
  EXPECT_EQ(output_, "1 stored, 0 already there, 0 refused\n");
  EXPECT_EQ(Results({"--store", elsewhere, "import", out().string()}), 0) << errors_;
  EXPECT_EQ(output_, "0 stored, 1 already there, 0 refused\n");
}

TEST_F(QuorvaneResultsTest, AStoreThatCannotTakeTheRunLosesNothing) {
  fs::create_directories(out());
  const std::string garbage(8192, '\x5a');
  std::ofstream(store(), std::ios::binary) << garbage;
  EXPECT_EQ(RunPlan("SN-42"), 0) << errors_;  // the run passed, whatever the store
  const fs::path record = Record();
  ASSERT_FALSE(record.empty());
  EXPECT_TRUE(fs::exists(fs::path(record).replace_extension(".xml")));
  for (const std::string& told :
       {"quorvane-plan: results store: " + store().string(), std::string("not a database"),
        record.string(), "quorvane-results import " + out().string()}) {
    EXPECT_NE(errors_.find(told), std::string::npos) << told << "\n" << errors_;
  }
  EXPECT_EQ(testing_support::FileText(store()), garbage);

  fs::remove(store());
  EXPECT_EQ(Results({"import", out().string()}), 0) << errors_;
  EXPECT_EQ(output_, "1 stored, 0 already there, 0 refused\n");
}

TEST_F(QuorvaneResultsTest, TheQueryVerbsAnswerOnAPlanRunsStore) {
  ASSERT_EQ(RunPlan("SN-42"), 0) << errors_;
  const std::string store_option = "--store=" + store().string();
  const auto json_of = [&](std::vector<std::string> args) {
    args.insert(args.begin(), store_option);
    args.push_back("--json");
    EXPECT_EQ(Results(args), 0) << errors_;
    return nlohmann::json::parse(output_);
  };
  const auto yield = json_of({"yield", "--plan", "eas-channels"});
  ASSERT_EQ(yield.size(), 1u) << yield;
  EXPECT_EQ(yield[0]["units"], 1);
  EXPECT_EQ(yield[0]["first_pass"], 1);
  EXPECT_EQ(yield[0]["final_yield"], 1.0);
  const auto history = json_of({"history", "SN-42"});
  ASSERT_EQ(history.size(), 1u) << history;
  EXPECT_EQ(history[0]["outcome"], "PASS");
  EXPECT_EQ(history[0]["failed"], nlohmann::json::array());
  const auto distribution = json_of({"distribution", "ch1"});
  ASSERT_EQ(distribution.size(), 1u) << distribution;
  EXPECT_EQ(distribution[0]["count"], 1);
  EXPECT_EQ(distribution[0]["no_cpk"], "one value");
  EXPECT_EQ(json_of({"pareto"}), nlohmann::json::array());

  EXPECT_EQ(Results({store_option, "export", "--runs"}), 0) << errors_;
  EXPECT_EQ(output_.substr(0, output_.find("\r\n")),
            "run_id,unit,plan,revision,station,operator,started_at,ended_at,outcome,marginal,"
            "message");
  EXPECT_NE(output_.find(",SN-42,eas-channels,"), std::string::npos) << output_;
  EXPECT_EQ(Results({store_option, "yield"}), 0) << errors_;
  EXPECT_EQ(output_.substr(0, output_.find(' ')), "PLAN") << output_;

  struct Refusal {
    std::vector<std::string> args;
    int status;
    std::string told;
  };
  const std::string missing = (temp_.path() / "none.sqlite").string();
  const Refusal refusals[] = {
      {{"--store", missing, "yield"}, 2, "no results store at " + missing},
      {{store_option, "history", "SN-43"}, 4, "no run of the unit SN-43"},
      {{store_option, "distribution", "ch99"}, 4, "no numeric value of the measurement ch99"},
      {{store_option, "pareto", "--since", "2026-02-30"}, 3, "not a day"},
      {{store_option, "export", "--until", "yesterday"}, 3, "not a day"},
  };
  for (const Refusal& refusal : refusals) {
    EXPECT_EQ(Results(refusal.args), refusal.status) << refusal.told;
    EXPECT_NE(errors_.find(refusal.told), std::string::npos) << errors_;
  }
  EXPECT_FALSE(fs::exists(missing));
}

}  // namespace

// A line database that is not there leaves the plan's run in its store, marked unforwarded, and
// `forward` says so: why on standard error, how many are pending, status 2.
TEST_F(QuorvaneResultsTest, ForwardingToAServerThatIsNotThereLeavesTheRunPending) {
  ASSERT_EQ(RunPlan("SN-42"), 0) << errors_;
  EXPECT_EQ(Results({"forward", "--store", store().string(), "--line-db",
                     "host=127.0.0.1 port=1 dbname=line connect_timeout=2"}),
            2);
  EXPECT_EQ(output_, "0 forwarded, 0 already there, 1 pending\n");
  EXPECT_NE(errors_.find("quorvane-results: line database "), std::string::npos) << errors_;
}
