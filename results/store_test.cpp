// The results store on real SQLite files in temporary folders: a run round-trips every field and
// is stored once, whole or not at all; the schema migrates in one step and a newer one is
// refused untouched; a broken file, a lock held by another connection and a full disk each fail
// with the store named, and the store works again once the fault is gone.
#include "results/store.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "results/sample_run.h"
#include "testing/run_records.h"
#include "testing/temp_dir.h"
#include "testing/test_mount.h"

namespace results {
namespace {

namespace fs = std::filesystem;

std::int64_t Rows(ResultsStore& store, const char* table) {
  Statement count(store.database(), (std::string("SELECT count(*) FROM ") + table).c_str());
  count.Step();
  return count.Integer(0);
}

int UserVersion(const fs::path& file) {
  Database database(file, 0);
  Statement version(database, "PRAGMA user_version");
  version.Step();
  return static_cast<int>(version.Integer(0));
}

class StoreTest : public ::testing::Test {
 protected:
  fs::path file() const { return temp_.path() / "results.sqlite"; }
  testing_support::TempDir temp_;
};

TEST_F(StoreTest, ARunRoundTripsEveryFieldAcrossReopening) {
  const StoredRun run = FullRun();
  EXPECT_EQ(ResultsStore(file()).Store(run), StoreOutcome::kStored);
  ResultsStore reopened(file());
  EXPECT_EQ(reopened.Load(run.id), run);
  EXPECT_EQ(reopened.Load("ffffffffffffffffffffffffffffffff"), std::nullopt);
}

TEST_F(StoreTest, AStoredRunIsNotStoredAgain) {
  ResultsStore store(file());
  ASSERT_EQ(store.Store(FullRun()), StoreOutcome::kStored);
  EXPECT_EQ(store.Store(FullRun()), StoreOutcome::kAlreadyThere);
  EXPECT_EQ(Rows(store, "runs"), 1);
  EXPECT_EQ(Rows(store, "phases"), 2);
  EXPECT_EQ(Rows(store, "measurements"), 5);
}

TEST_F(StoreTest, ARunThatFailsHalfwayLeavesNothingOfIt) {
  ResultsStore store(file());
  StoredRun run = FullRun();
  // The last phase's last measurement breaks a constraint, after the run and its first phase.
  run.phases.back().measurements.push_back(run.phases.front().measurements.front());
  run.phases.back().measurements.back().outcome = "MAYBE";
  EXPECT_THROW(store.Store(run), StoreError);
  EXPECT_EQ(store.Load(run.id), std::nullopt);
  for (const char* table : {"runs", "phases", "measurements", "prompts"}) {
    EXPECT_EQ(Rows(store, table), 0) << table;
  }
  run.phases.back().measurements.back().outcome = "PASS";
  EXPECT_EQ(store.Store(run), StoreOutcome::kStored);
}

TEST_F(StoreTest, ADatabaseComesToTheProgramsSchemaInOneStepOrNotAtAll) {
  const Migration version2[] = {StoreMigrations()[0], {2, "ALTER TABLE runs ADD COLUMN line TEXT"}};
  const Migration broken2[] = {StoreMigrations()[0],
                               {2, "CREATE TABLE extra (a); SELECT * FROM nowhere"}};
  {
    ResultsStore store(file());  // a new file: created at version 1, in WAL
    store.Store(FullRun());
    Statement mode(store.database(), "PRAGMA journal_mode");
    mode.Step();
    EXPECT_EQ(mode.Text(0), "wal");
  }
  EXPECT_EQ(UserVersion(file()), 1);
  EXPECT_THROW(ResultsStore(file(), {.migrations = broken2}), StoreError);
  EXPECT_EQ(UserVersion(file()), 1);
  ResultsStore older(file());
  EXPECT_THROW(Statement(older.database(), "SELECT * FROM extra"), StoreError);

  ResultsStore migrated(file(), {.migrations = version2});
  EXPECT_EQ(UserVersion(file()), 2);
  EXPECT_EQ(migrated.Load(FullRun().id), FullRun());
}

TEST_F(StoreTest, ASchemaNewerThanTheProgramIsRefusedAndLeftAsItIs) {
  {
    Database newer(file(), 0);
    newer.Execute("CREATE TABLE runs (future TEXT); PRAGMA user_version = 7");
  }
  const std::string before = testing_support::FileText(file());
  try {
    ResultsStore store(file());
    ADD_FAILURE() << "a newer store was opened";
  } catch (const StoreError& refused) {
    EXPECT_NE(std::string(refused.what()).find(file().string()), std::string::npos);
    EXPECT_NE(std::string(refused.what()).find("version 7, newer than this program's 1"),
              std::string::npos)
        << refused.what();
  }
  EXPECT_EQ(testing_support::FileText(file()), before);
  EXPECT_FALSE(fs::exists(file().string() + "-wal"));
}

// Each fault, struck on a store that holds a run, fails the next run with the store named and
// SQLite's reason; mended, the next run is stored.
TEST_F(StoreTest, AFaultyStoreFailsTheRunWithTheStoreNamedAndWorksOnceMended) {
  const std::string mounts_unavailable = testing_support::MountsUnavailable();
  std::optional<testing_support::TestMount> small_disk;
  std::optional<Database> second;
  const struct {
    const char* what;
    const char* reason;
    std::function<void(const fs::path&)> strike, mend;
  } faults[] = {
      {"corrupt", "not a database",
       [](const fs::path& store) {
         std::fstream bytes(store, std::ios::in | std::ios::out | std::ios::binary);
         bytes << std::string(4096, 'x');
       },
       [](const fs::path& store) {
         fs::remove(store);
         fs::remove(store.string() + "-wal");
         fs::remove(store.string() + "-shm");
       }},
      {"locked", "locked",
       [&](const fs::path& store) {
         second.emplace(store, 0);
         second->Execute("BEGIN EXCLUSIVE");
       },
       [&](const fs::path&) { second.reset(); }},
      {"full", "full", [&](const fs::path&) { small_disk->FillUp(); },
       [&](const fs::path&) { small_disk->Free(); }},
  };
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.what);
    const fs::path folder = temp_.path() / fault.what;
    if (fault.what == std::string("full")) {
      // The last fault: the others have been checked by now.
      if (!mounts_unavailable.empty())
        GTEST_SKIP() << "no small file systems: " << mounts_unavailable;
      small_disk.emplace(testing_support::TestMount::SmallFileSystem(folder, 512 * 1024));
    }
    fs::create_directories(folder);
    const fs::path store_file = folder / "results.sqlite";
    ResultsStore(store_file).Store(FullRun("00000000000000000000000000000001"));
    fault.strike(store_file);
    StoredRun big = FullRun();
    big.phases.front().measurements.resize(2000, big.phases.front().measurements.front());
    try {
      ResultsStore(store_file, {.busy_timeout_ms = 50}).Store(big);
      ADD_FAILURE() << "stored in spite of the fault";
    } catch (const StoreError& failed) {
      const std::string why = failed.what();
      EXPECT_NE(why.find(store_file.string()), std::string::npos) << why;
      EXPECT_NE(why.find(fault.reason), std::string::npos) << why;
    }
    fault.mend(store_file);
    ResultsStore mended(store_file);
    EXPECT_EQ(mended.Store(big), StoreOutcome::kStored);
    EXPECT_EQ(mended.Load(big.id), big);
  }
}

}  // namespace
}  // namespace results
