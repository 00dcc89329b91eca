// The real quorvane-station on simulated terminals, fed by a script as a scanner and an operator
// would type: unit after unit, each on a fresh terminal, every run's records kept and valid.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

#include "results/store.h"
#include "testing/child_process.h"
#include "testing/count_of.h"
#include "testing/run_records.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ChildProcess;
using testing_support::FileText;

class QuorvaneStationTest : public ::testing::Test {
 protected:
  // Starts the station on `plan` with `script` on its standard input.
  std::unique_ptr<ChildProcess> StartStation(const std::string& script,
                                             const fs::path& plan = QUORVANE_STATION_PLAN) {
    return std::make_unique<ChildProcess>(
        std::vector<std::string>{QUORVANE_STATION_BINARY, plan.string(), "--station", "line-3",
                                 "--terminal", "--simulate", "--console", QUORVANE_BINARY, "--out",
                                 out().string()},
        temp_.path(), std::map<std::string, std::string>{}, script);
  }

  // Runs the station on the test plan with `script` on its standard input, to its end.
  int RunStation(const std::string& script) {
    auto station = StartStation(script);
    const int status = station->Wait(480s).value_or(-1);
    output_ = station->Output();
    errors_ = station->Errors();
    return status;
  }

  // The JSON records in the output folder, by name.
  std::vector<fs::path> Records() const {
    std::vector<fs::path> records;
    for (const auto& entry : fs::directory_iterator(out())) {
      if (entry.path().extension() == ".json") records.push_back(entry.path());
    }
    std::sort(records.begin(), records.end());
    return records;
  }

  // A record, after checking it and its JUnit twin against the shipped schemas.
  nlohmann::json CheckedRecord(const fs::path& json) {
    return testing_support::CheckedRecord(json, QUORVANE_PLANS_DIR, temp_.path());
  }

  fs::path out() const { return temp_.path() / "records"; }

  testing_support::TempDir temp_;
  std::string output_;
  std::string errors_;
};

TEST_F(QuorvaneStationTest, FiveUnitsWithARetestLeaveSixValidRunsAndTheSessionsYield) {
  // The operator's name, then each unit's serial number and the supply current read off the
  // meter: a pass, a failure, a marginal pass, a mistyped number the plan's pattern refuses, a
  // pass, the failed unit's retest, a pass.
  const std::string script = "Kim\n"
                             "T-0001\n300\n"
                             "T-0002\n700\n"
                             "T-0003\n110\n"
                             "T-00O4\n"
                             "T-0004\n300\n"
                             "T-0002\n300\n"
                             "T-0005\n250\n";
  ASSERT_EQ(RunStation(script), 0) << output_ << errors_;

  const auto records = Records();
  ASSERT_EQ(records.size(), 6u) << output_ << errors_;
  std::map<std::string, std::vector<std::string>> outcomes;  // by unit, in the order run
  results::ResultsStore store(out() / "results.sqlite");
  for (const auto& record : records) {
    const auto run = CheckedRecord(record);
    EXPECT_TRUE(store.Load(run["run_id"].get<std::string>())) << record;
    EXPECT_EQ(run["station"], "line-3");
    EXPECT_EQ(run["operator"], "Kim");
    EXPECT_TRUE(run["plan"]["revision"].get<std::string>().starts_with("sha256:"));
    outcomes[run["unit"].get<std::string>()].push_back(run["outcome"].get<std::string>());
  }
  using Outcomes = std::vector<std::string>;
  EXPECT_EQ(outcomes["T-0001"], Outcomes{"PASS"});
  EXPECT_EQ(outcomes["T-0003"], Outcomes{"PASS"});
  // The retest's record lies beside the first: both kept, named apart.
  EXPECT_EQ(outcomes["T-0002"], (Outcomes{"FAIL", "PASS"}));

  EXPECT_NE(errors_.find("refused: \"T-00O4\""), std::string::npos) << errors_;
  EXPECT_NE(output_.find("PASS (marginal)  unit T-0003"), std::string::npos) << output_;
  EXPECT_NE(output_.find("FAIL  unit T-0002"), std::string::npos) << output_;
  EXPECT_NE(output_.find("units 5, passed 5 of 6 runs, first-pass yield 80 %"), std::string::npos)
      << output_;
}

// A store that cannot take a run costs the station nothing: each unit's records are written, the
// fault is told for each, and the next unit is tested.
TEST_F(QuorvaneStationTest, AStoreThatCannotTakeTheRunsLeavesTheStationTestingUnits) {
  fs::create_directories(out());
  std::ofstream(out() / "results.sqlite") << std::string(8192, 'z');
  ASSERT_EQ(RunStation("Kim\nT-0001\n300\nT-0002\n300\n"), 0) << output_ << errors_;
  EXPECT_EQ(Records().size(), 2u) << output_ << errors_;
  EXPECT_EQ(testing_support::CountOf(errors_, "quorvane-station: results store: "), 2u) << errors_;
  EXPECT_NE(output_.find("units 2, passed 2 of 2 runs"), std::string::npos) << output_;
}

}  // namespace

TEST_F(QuorvaneStationTest, CtrlCDuringAUnitStopsItsRunAfterTeardownAndEndsTheStation) {
  const fs::path plan = temp_.path() / "long.toml";
  std::ofstream(plan) << "name = \"long\"\n[[phase]]\nname = \"wait\"\n"
                         "[[phase.step]]\npause_ms = 600000\n"
                         "[[phase.teardown]]\ncommand = 1059\n";
  auto station = StartStation("Kim\nT-0001\nT-0002\n", plan);
  const auto give_up = std::chrono::steady_clock::now() + 60s;
  while (station->Output().find("unit T-0001") == std::string::npos &&
         std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(10ms);
  }
  ::kill(station->pid(), SIGINT);
  EXPECT_EQ(station->Wait(60s), 128 + SIGINT) << station->Output() << station->Errors();
  // The stopped unit's run is kept; the next serial number is never taken.
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u) << station->Output() << station->Errors();
  const auto run = CheckedRecord(records[0]);
  EXPECT_EQ(run["unit"], "T-0001");
  EXPECT_EQ(run["outcome"], "ABORTED");
}
