// libpq's C API, wrapped once: a connection to the line's PostgreSQL server and its results as
// objects that close themselves, values only ever bound as parameters (PQexecParams, never
// spliced into SQL), and every failure thrown as a LineDbError that says which kind of fault it
// was, so that forwarding can tell each kind once and not once per retry. Nothing here knows what
// the line's database holds; that is line_schema.h's and line_forward.h's.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace results {

enum class LineFault {
  kRefused,      // the server answers but will not let us in: a bad password, no such database
  kUnreachable,  // no server answers at the address, or not within the connect timeout
  kLost,         // the connection broke while a statement ran
  kSlow,         // a statement ran past the statement timeout
  kRejected,     // the server refused a statement (a schema newer than ours, a constraint)
};

class LineDbError : public std::runtime_error {
 public:
  LineDbError(LineFault fault, const std::string& what) : std::runtime_error(what), fault_(fault) {}
  LineFault fault() const { return fault_; }

 private:
  LineFault fault_;
};

struct LineTimeouts {
  int connect_s = 3;         // libpq's connect_timeout
  int statement_ms = 10000;  // the server's statement_timeout for our session
};

// Values for one statement's $1, $2, ... in order, as the text PostgreSQL parses; nothing is NULL.
class LineParams {
 public:
  LineParams& Add(std::string_view text);
  LineParams& Add(std::int64_t number);
  LineParams& Add(double number);  // shortest text that reads back as the same double
  LineParams& Add(bool flag);      // 1 or 0, as the SQLite store keeps flags
  LineParams& Add(std::nullopt_t);
  template <typename T>
  LineParams& Add(const std::optional<T>& value) {
    return value ? Add(*value) : Add(std::nullopt);
  }
  template <typename... Values>
  LineParams& AddAll(const Values&... values) {
    (Add(values), ...);
    return *this;
  }
  std::vector<const char*> Pointers() const;

 private:
  std::vector<std::optional<std::string>> values_;
};

class LineResult {
 public:
  explicit LineResult(PGresult* result) : result_(result) {}
  LineResult(LineResult&& other) noexcept : result_(std::exchange(other.result_, nullptr)) {}
  LineResult(const LineResult&) = delete;
  LineResult& operator=(const LineResult&) = delete;
  LineResult& operator=(LineResult&&) = delete;
  ~LineResult() { PQclear(result_); }

  int Rows() const { return PQntuples(result_); }
  bool IsNull(int row, int column) const { return PQgetisnull(result_, row, column) != 0; }
  std::string Text(int row, int column) const { return PQgetvalue(result_, row, column); }
  std::int64_t Integer(int row, int column) const;
  double Real(int row, int column) const;
  // Whether the column is of a floating-point type (real, double precision).
  bool IsReal(int column) const;
  const PGresult* get() const { return result_; }

 private:
  PGresult* result_;
};

class LineConnection {
 public:
  // Connects to the server `conninfo` names (a connection string or URI; libpq's PG* variables
  // and password file fill in what it leaves out); throws LineDbError.
  explicit LineConnection(const std::string& conninfo, const LineTimeouts& timeouts = {});
  LineConnection(const LineConnection&) = delete;
  LineConnection& operator=(const LineConnection&) = delete;
  ~LineConnection();

  // Runs SQL of our own with `params` bound; throws LineDbError.
  LineResult Execute(const char* sql, const LineParams& params = {});
  // Runs statements of our own that bind nothing (the schema); throws LineDbError.
  void RunScript(const char* sql);
  // Where the connection goes, without the password: for messages.
  std::string Where() const;

 private:
  [[noreturn]] void Fail(const PGresult* result) const;
  PGconn* connection_ = nullptr;
};

// BEGIN at once, ROLLBACK when it ends without Commit (unless the connection is gone).
class LineTransaction {
 public:
  explicit LineTransaction(LineConnection& connection);
  LineTransaction(const LineTransaction&) = delete;
  LineTransaction& operator=(const LineTransaction&) = delete;
  ~LineTransaction();
  void Commit();

 private:
  LineConnection& connection_;
  bool open_ = true;
};

}  // namespace results
