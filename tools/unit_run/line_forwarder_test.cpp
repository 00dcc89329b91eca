// The forwarding thread against a real PostgreSQL server (ctest runs this under pg_virtualenv):
// runs stored while the server is stopped arrive once it is started again, each exactly once and
// in order; a server that refuses is told once, however often it is retried, and the runs wait
// in the store, marked unforwarded.
#include "tools/unit_run/line_forwarder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "results/line_forward.h"
#include "results/sample_run.h"
#include "results/scratch_line_database.h"
#include "testing/count_of.h"
#include "testing/temp_dir.h"

namespace unit_run {
namespace {

using namespace std::chrono_literals;

class LineForwarderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!results::ScratchLineDatabase::ServerGiven()) {
      GTEST_SKIP() << results::ScratchLineDatabase::kNoServer;
    }
    database_.emplace();
  }
  // Quick retries, so that a test sees many of them in a fraction of a second.
  ForwarderOptions Options(std::chrono::milliseconds grace) {
    return {.timeouts = {.connect_s = 2, .statement_ms = 2000},
            .look_every = 10ms,
            .first_backoff = 10ms,
            .longest_backoff = 100ms,
            .grace = grace,
            .tell = [this](const std::string& line) {
              std::lock_guard lock(mutex_);
              told_ += line + "\n";
            }};
  }
  void Store(const std::string& id) { results::ResultsStore(store()).Store(results::FullRun(id)); }
  std::filesystem::path store() const { return folder_.path() / "results.sqlite"; }
  static void Cluster(const std::string& action) {
    const std::string command = "pg_ctlcluster " + std::string(std::getenv("PGVERSION")) +
                                " regress " + action + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  std::string told() {
    std::lock_guard lock(mutex_);
    return told_;
  }

  testing_support::TempDir folder_;
  std::optional<results::ScratchLineDatabase> database_;
  std::mutex mutex_;
  std::string told_;
};

TEST_F(LineForwarderTest, RunsStoredWhileTheServerIsStoppedArriveOnceInOrderWhenItStarts) {
  std::string ids;
  const auto store_runs = [&](int from, int to) {
    for (int n = from; n <= to; ++n) {
      Store("run" + std::to_string(n));
      ids += (ids.empty() ? "" : " ") + ("run" + std::to_string(n));
    }
  };
  {
    LineForwarder forwarder(store(), database_->conninfo(), "test", Options(10s));
    store_runs(1, 3);
    Cluster("stop");
    store_runs(4, 7);
    std::this_thread::sleep_for(200ms);  // retries against the stopped server
    Cluster("start");
    store_runs(8, 10);
  }
  EXPECT_EQ(database_->RunsInOrder(), ids);
  results::ResultsStore local(store());
  EXPECT_TRUE(results::UnforwardedRuns(local).empty());
  // A connection lost, then a server not there: each kind told once, however many retries.
  std::istringstream lines(told());
  std::set<std::string> seen;
  for (std::string line; std::getline(lines, line);) {
    EXPECT_TRUE(seen.insert(line).second) << "told twice: " << line;
  }
  EXPECT_LE(seen.size(), 2u) << told();
}

TEST_F(LineForwarderTest, ARefusedLoginIsToldOnceAndTheRunsWaitInTheStore) {
  Store("a");
  Store("b");
  {
    LineForwarder forwarder(store(), database_->conninfo() + " password=wrong user=nobody_here",
                            "test", Options(50ms));
    std::this_thread::sleep_for(300ms);
  }
  EXPECT_EQ(testing_support::CountOf(told(), "nobody_here"), 1u) << told();
  EXPECT_EQ(testing_support::CountOf(told(), "2 run(s) not yet in the line database"), 1u)
      << told();
  results::ResultsStore local(store());
  EXPECT_EQ(results::UnforwardedRuns(local).size(), 2u);
  EXPECT_EQ(database_->Count("SELECT count(*) FROM runs"), 0);
}

}  // namespace
}  // namespace unit_run
