// Forwarding to a real PostgreSQL server, a throwaway cluster pg_virtualenv starts (ctest runs
// this executable under it): each test gets a database of its own. A run arrives whole, a second
// forward or a forward whose local mark was lost stores nothing twice, a newer schema is refused
// untouched, and a refused login, a slow statement and a cut connection each say which they were.
#include "results/line_forward.h"

#include <gtest/gtest.h>

#include "results/line_schema.h"
#include "results/sample_run.h"
#include "results/scratch_line_database.h"
#include "testing/temp_dir.h"

namespace results {
namespace {

class LineDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ScratchLineDatabase::ServerGiven()) GTEST_SKIP() << ScratchLineDatabase::kNoServer;
    database_.emplace();
    line_.emplace(database_->conninfo());
  }
  std::string conninfo() const { return database_->conninfo(); }
  std::int64_t Count(const char* sql) { return line_->Execute(sql).Integer(0, 0); }
  // Rows in each of the four tables, as "runs phases measurements prompts".
  std::string Rows() {
    return std::to_string(Count("SELECT count(*) FROM runs")) + " " +
           std::to_string(Count("SELECT count(*) FROM phases")) + " " +
           std::to_string(Count("SELECT count(*) FROM measurements")) + " " +
           std::to_string(Count("SELECT count(*) FROM prompts"));
  }

  testing_support::TempDir folder_;
  ResultsStore store_{folder_.path() / "results.sqlite"};
  std::optional<ScratchLineDatabase> database_;
  std::optional<LineConnection> line_;
};

TEST_F(LineDbTest, ARunArrivesWholeWithItsNullsAndExactNumbers) {
  store_.Store(FullRun());
  EXPECT_EQ(ForwardPending(store_, *line_).stored, 1);
  EXPECT_EQ(Rows(), "1 2 5 1");
  EXPECT_EQ(Count("SELECT count(*) FROM measurements WHERE value_number = 3.31 AND low = 3.0 "
                  "AND marginal = 1 AND attempt = 2"),
            1);
  EXPECT_EQ(Count("SELECT count(*) FROM phases WHERE started_at IS NULL AND "
                  "record_begin_file IS NULL AND name = 'storage'"),
            1);
  EXPECT_EQ(Count("SELECT count(*) FROM runs WHERE unit = 'T-0412 ünit' AND operator = 'Kim'"), 1);
  EXPECT_TRUE(UnforwardedRuns(store_).empty());
}

// A second forward, and one after the local mark was lost (a station killed between the
// server's commit and the mark), store nothing twice and keep the order the runs were stored in.
TEST_F(LineDbTest, ForwardingAgainStoresNothingTwice) {
  for (const char* id : {"b1", "a2", "c3"}) store_.Store(FullRun(id));
  EXPECT_EQ(ForwardPending(store_, *line_).stored, 3);
  EXPECT_EQ(ForwardPending(store_, *line_).stored + ForwardPending(store_, *line_).already_there,
            0);
  store_.database().Execute("UPDATE runs SET forwarded_at = NULL WHERE id IN ('a2', 'c3')");
  store_.Store(FullRun("d4"));
  const ForwardCount again = ForwardPending(store_, *line_);
  EXPECT_EQ(again.already_there, 2);
  EXPECT_EQ(again.stored, 1);
  EXPECT_EQ(Rows(), "4 8 20 4");
  EXPECT_EQ(database_->RunsInOrder(), "b1 a2 c3 d4");
}

TEST_F(LineDbTest, ASchemaNewerThanTheProgramIsRefusedAndLeftAsItIs) {
  line_->Execute("UPDATE quorvane_schema SET version = 7");
  try {
    MigrateLine(*line_, LineMigrations());
    ADD_FAILURE() << "a newer line database was used";
  } catch (const LineDbError& refused) {
    EXPECT_EQ(refused.fault(), LineFault::kRejected);
    EXPECT_NE(std::string(refused.what()).find("version 7, newer than this program's 2"),
              std::string::npos)
        << refused.what();
  }
  EXPECT_EQ(Count("SELECT version FROM quorvane_schema"), 7);
}

TEST_F(LineDbTest, AServerThatRefusesOrIsNotThereSaysWhich) {
  const struct {
    std::string conninfo;
    LineFault fault;
    const char* words;
  } cases[] = {
      {conninfo() + " password=wrong user=nobody_here", LineFault::kRefused, "nobody_here"},
      {"dbname=no_such_database", LineFault::kRefused, "no_such_database"},
      {conninfo() + " host=127.0.0.1 port=1", LineFault::kUnreachable, "127.0.0.1"},
  };
  for (const auto& c : cases) {
    try {
      LineConnection refused(c.conninfo);
      ADD_FAILURE() << c.conninfo << " connected";
    } catch (const LineDbError& error) {
      EXPECT_EQ(error.fault(), c.fault) << c.conninfo << ": " << error.what();
      EXPECT_NE(std::string(error.what()).find(c.words), std::string::npos) << error.what();
    }
  }
}

// A statement past the session's statement timeout is slow; one whose connection the server ends
// is lost: forwarding tells them apart from a refusal.
TEST_F(LineDbTest, AStatementTooSlowOrCutOffSaysWhich) {
  const struct {
    const char* sql;
    LineFault fault;
  } cases[] = {
      {"SELECT pg_sleep(2)", LineFault::kSlow},
      {"SELECT pg_terminate_backend(pg_backend_pid())", LineFault::kLost},
  };
  for (const auto& c : cases) {
    LineConnection line(conninfo(), {.connect_s = 2, .statement_ms = 100});
    try {
      line.Execute(c.sql);
      ADD_FAILURE() << c.sql << " ran";
    } catch (const LineDbError& error) {
      EXPECT_EQ(error.fault(), c.fault) << c.sql << ": " << error.what();
    }
  }
}

}  // namespace
}  // namespace results
