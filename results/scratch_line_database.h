// A database of a test's own on the PostgreSQL server the tests run beside (pg_virtualenv sets
// the PG* variables libpq reads), created migrated and dropped at the end. Test code only.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "results/line_db.h"
#include "results/line_schema.h"

namespace results {

class ScratchLineDatabase {
 public:
  // Whether there is a server to make one on; tests skip, saying why, where there is not.
  static bool ServerGiven() { return std::getenv("PGDATABASE") != nullptr; }
  static constexpr const char* kNoServer =
      "no PostgreSQL server: ctest runs this under pg_virtualenv (postgresql-common), which is "
      "not installed";

  ScratchLineDatabase() {
    static int made = 0;
    name_ = "line_" + std::to_string(getpid()) + "_" + std::to_string(++made);
    // A language's collation, as a line's server is usually made with, not the byte order a
    // throwaway cluster starts with: the queries must not depend on it.
    LineConnection("").Execute(
        ("CREATE DATABASE " + name_ + " TEMPLATE template0 LOCALE_PROVIDER icu ICU_LOCALE 'en-US'")
            .c_str());
    LineConnection line(conninfo());
    MigrateLine(line, LineMigrations());
  }
  ScratchLineDatabase(const ScratchLineDatabase&) = delete;
  ScratchLineDatabase& operator=(const ScratchLineDatabase&) = delete;
  ~ScratchLineDatabase() {
    try {
      LineConnection("").Execute(("DROP DATABASE " + name_ + " WITH (FORCE)").c_str());
    } catch (const LineDbError&) {  // the cluster goes with the test run anyway
    }
  }

  std::string conninfo() const { return "dbname=" + name_; }
  // The first column of the first row of `sql`, a number.
  std::int64_t Count(const char* sql) const {
    LineConnection line(conninfo());
    return line.Execute(sql).Integer(0, 0);
  }
  // The ids of the runs in the order they arrived.
  std::string RunsInOrder() const {
    LineConnection line(conninfo());
    LineResult ids = line.Execute("SELECT coalesce(string_agg(id, ' ' ORDER BY seq), '') "
                                  "FROM runs");
    return ids.Text(0, 0);
  }

 private:
  std::string name_;
};

}  // namespace results
