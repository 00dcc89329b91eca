#include "results/sqlite_queries.h"

namespace results {

namespace {

class SqliteQueryStatement : public QueryStatement {
 public:
  SqliteQueryStatement(Database& database, const std::string& sql)
      : statement_(database, sql.c_str()) {}

  void Bind(int index, std::string_view value) override { statement_.Bind(index, value); }
  void Bind(int index, std::nullopt_t) override { statement_.Bind(index, std::nullopt); }
  bool Step() override { return statement_.Step(); }
  void Reset() override { statement_.Reset(); }
  bool IsNull(int column) const override { return statement_.IsNull(column); }
  std::int64_t Integer(int column) const override { return statement_.Integer(column); }
  double Real(int column) const override { return statement_.Real(column); }
  std::string Text(int column) const override {
    return statement_.IsReal(column) ? RealText(statement_.Real(column)) : statement_.Text(column);
  }

 private:
  Statement statement_;
};

}  // namespace

std::unique_ptr<QueryStatement> SqliteQueries::Prepare(const std::string& sql) {
  return std::make_unique<SqliteQueryStatement>(database_, sql);
}

}  // namespace results
