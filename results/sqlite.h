// SQLite's C API, wrapped once: a connection and its prepared statements as objects that close
// themselves, values only ever bound as parameters (never spliced into SQL), every failure thrown
// as a StoreError that names the database and SQLite's own words, and a transaction that rolls
// back unless it is committed. Nothing here knows what the store holds; that is store.h's.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace results {

class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Database {
 public:
  // Opens (creating when missing) the database at `file`, waiting up to `busy_timeout_ms` for
  // another connection's lock before a statement gives up.
  Database(const std::filesystem::path& file, int busy_timeout_ms);
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  ~Database();

  // Runs SQL of our own that binds nothing (the schema, pragmas); throws StoreError.
  void Execute(const char* sql);
  // Rows the last insert, update or delete changed.
  int Changes() const;
  sqlite3* handle() const { return handle_; }
  const std::filesystem::path& file() const { return file_; }
  // Throws StoreError for the last failure, `doing` saying what was under way.
  [[noreturn]] void Fail(std::string_view doing) const;

 private:
  std::filesystem::path file_;
  sqlite3* handle_ = nullptr;
};

class Statement {
 public:
  Statement(Database& database, const char* sql);
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement();

  // Parameters from 1, as SQLite counts them; nothing binds NULL.
  Statement& Bind(int index, std::int64_t value);
  Statement& Bind(int index, double value);
  Statement& Bind(int index, std::string_view value);
  Statement& Bind(int index, std::nullopt_t);
  template <typename T>
  Statement& Bind(int index, const std::optional<T>& value) {
    return value ? Bind(index, *value) : Bind(index, std::nullopt);
  }
  // Binds the parameters 1, 2, ... to `values` in order.
  template <typename... Values>
  Statement& BindAll(const Values&... values) {
    int index = 0;
    (Bind(++index, values), ...);
    return *this;
  }

  // The next row (true) or the end (false); throws StoreError.
  bool Step();
  // Steps to the end and makes the statement ready to run again with new parameters.
  void Run();
  void Reset();

  // Columns from 0, of the row Step found.
  bool IsNull(int column) const;
  bool IsReal(int column) const;  // a floating-point value, not an integer or a text
  std::int64_t Integer(int column) const;
  double Real(int column) const;
  std::string Text(int column) const;
  std::optional<double> OptionalReal(int column) const;
  std::optional<std::string> OptionalText(int column) const;

 private:
  Database& database_;
  sqlite3_stmt* statement_ = nullptr;
};

// BEGIN IMMEDIATE at once (so a writer waits for the lock here, not halfway through), ROLLBACK
// when it ends without Commit.
class Transaction {
 public:
  explicit Transaction(Database& database);
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction();
  void Commit();

 private:
  Database& database_;
  bool open_ = true;
};

}  // namespace results
