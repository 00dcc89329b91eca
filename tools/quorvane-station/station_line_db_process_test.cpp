// The whole line on one machine: the real quorvane-station tests 50 simulated units, storing each
// run in its SQLite store and forwarding it to a real PostgreSQL server (ctest runs this under
// pg_virtualenv), which is stopped while a stretch of units is tested and then started again.
// Every run ends up in both databases exactly once, and the station never stopped testing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "results/line_forward.h"
#include "results/scratch_line_database.h"
#include "testing/child_process.h"
#include "testing/count_of.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::size_t RecordsIn(const fs::path& folder) {
  std::size_t records = 0;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    records += entry.path().extension() == ".json";
  }
  return records;
}

void Cluster(const std::string& action) {
  const std::string command = "pg_ctlcluster " + std::string(std::getenv("PGVERSION")) +
                              " regress " + action + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

TEST(StationLineDbProcessTest, FiftyUnitsWithTheServerAwayForAStretchLandOnceInBothDatabases) {
  if (!results::ScratchLineDatabase::ServerGiven()) {
    GTEST_SKIP() << results::ScratchLineDatabase::kNoServer;
  }
  results::ScratchLineDatabase line;
  testing_support::TempDir temp;
  const fs::path out = temp.path() / "records";
  constexpr int kUnits = 50;
  std::string script = "Kim\n";
  for (int unit = 1; unit <= kUnits; ++unit) {
    script += "L-" + std::to_string(100 + unit) + "\n" + std::to_string(150 + unit) + "\n";
  }
  testing_support::ChildProcess station(
      {QUORVANE_STATION_BINARY, QUORVANE_LINE_PLAN, "--station", "line-3", "--terminal",
       "--simulate", "--console", QUORVANE_BINARY, "--out", out.string(), "--line-db",
       line.conninfo()},
      temp.path(), {}, script);
  // The server goes away after the tenth unit and comes back after the thirtieth.
  const auto wait_for_records = [&](std::size_t count) {
    const auto give_up = std::chrono::steady_clock::now() + 60s;
    while (RecordsIn(out) < count && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(20ms);
    }
  };
  wait_for_records(10);
  Cluster("stop");
  wait_for_records(30);
  Cluster("start");
  ASSERT_EQ(station.Wait(120s), 0) << station.Output() << station.Errors();

  ASSERT_EQ(RecordsIn(out), static_cast<std::size_t>(kUnits));
  // The server's going away told once for each kind (the connection lost, then no server), not
  // once for every retry.
  const std::size_t told = testing_support::CountOf(station.Errors(), "line database ");
  EXPECT_GE(told, 1u) << station.Errors();
  EXPECT_LE(told, 2u) << station.Errors();
  results::ResultsStore store(out / results::kStoreFileName);
  results::Statement runs(store.database(), "SELECT count(DISTINCT id), count(*) FROM runs");
  runs.Step();
  EXPECT_EQ(runs.Integer(0), kUnits);
  EXPECT_EQ(runs.Integer(1), kUnits);
  EXPECT_TRUE(results::UnforwardedRuns(store).empty()) << station.Errors();
  EXPECT_EQ(line.Count("SELECT count(*) FROM runs"), kUnits);
  EXPECT_EQ(line.Count("SELECT count(DISTINCT unit) FROM runs"), kUnits);
  EXPECT_EQ(line.Count("SELECT count(*) FROM measurements"), kUnits);
  // The same runs in the same order as the station stored them.
  std::string stored_order;
  results::Statement order(store.database(), "SELECT id FROM runs ORDER BY seq");
  while (order.Step()) stored_order += (stored_order.empty() ? "" : " ") + order.Text(0);
  EXPECT_EQ(line.RunsInOrder(), stored_order);
}

}  // namespace
