// What the queries read a database through, so that one text of each query answers on the
// station's SQLite store and on the line's PostgreSQL database alike. A query's SQL is what both
// dialects accept, its parameters written ?1, ?2, ... (each number bound once, however often the
// SQL names it); values are only ever bound, never spliced. Rows are read one at a time, columns
// as integers, reals, texts or NULL, and a real read as text is its shortest exact decimal
// (RealText), the same from either database, so an export does not depend on the store.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace results {

class QueryStatement {
 public:
  virtual ~QueryStatement() = default;

  // Parameters from 1; binding one again replaces its value.
  virtual void Bind(int index, std::string_view value) = 0;
  virtual void Bind(int index, std::nullopt_t) = 0;
  template <typename T>
  void Bind(int index, const std::optional<T>& value) {
    value ? Bind(index, std::string_view(*value)) : Bind(index, std::nullopt);
  }

  // The next row (true) or the end (false); throws the database's error.
  virtual bool Step() = 0;
  // Makes the statement ready to run again, its parameters unbound.
  virtual void Reset() = 0;

  // Columns from 0, of the row Step found.
  virtual bool IsNull(int column) const = 0;
  virtual std::int64_t Integer(int column) const = 0;
  virtual double Real(int column) const = 0;
  virtual std::string Text(int column) const = 0;
  std::optional<double> OptionalReal(int column) const {
    return IsNull(column) ? std::nullopt : std::optional(Real(column));
  }
  std::optional<std::string> OptionalText(int column) const {
    return IsNull(column) ? std::nullopt : std::optional(Text(column));
  }
};

class QueryDatabase {
 public:
  virtual ~QueryDatabase() = default;
  // Throws the database's error (StoreError, LineDbError) for SQL it refuses.
  virtual std::unique_ptr<QueryStatement> Prepare(const std::string& sql) = 0;
};

// `number` as the shortest decimal that reads back as the same double, with ".0" on a whole
// number so that a real stays told from an integer.
std::string RealText(double number);

}  // namespace results
