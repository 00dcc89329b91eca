#include "results/line_queries.h"

#include <cctype>
#include <optional>
#include <vector>

namespace results {

namespace {

// Rows fetched at a time: few round trips, little memory.
constexpr int kBatchRows = 2000;

class LineQueryStatement : public QueryStatement {
 public:
  LineQueryStatement(LineConnection& connection, const std::string& cursor, const std::string& sql)
      : connection_(connection),
        declare_("DECLARE " + cursor + " NO SCROLL CURSOR FOR " + PostgresParameters(sql)),
        fetch_("FETCH " + std::to_string(kBatchRows) + " FROM " + cursor),
        close_("CLOSE " + cursor) {}
  LineQueryStatement(const LineQueryStatement&) = delete;
  LineQueryStatement& operator=(const LineQueryStatement&) = delete;
  ~LineQueryStatement() override {
    try {
      Reset();
    } catch (const LineDbError&) {  // a connection that is gone has dropped its cursors
    }
  }

  void Bind(int index, std::string_view value) override { At(index) = std::string(value); }
  void Bind(int index, std::nullopt_t) override { At(index) = std::nullopt; }

  bool Step() override {
    if (!batch_) {
      LineParams params;
      for (const auto& value : values_) params.Add(value);
      connection_.Execute(declare_.c_str(), params);
      Fetch();
    } else if (++row_ == batch_->Rows() && row_ == kBatchRows) {
      Fetch();
    }
    return row_ < batch_->Rows();
  }

  void Reset() override {
    values_.clear();
    if (!batch_) return;
    batch_.reset();
    connection_.Execute(close_.c_str());
  }

  bool IsNull(int column) const override { return batch_->IsNull(row_, column); }
  std::int64_t Integer(int column) const override { return batch_->Integer(row_, column); }
  double Real(int column) const override { return batch_->Real(row_, column); }
  std::string Text(int column) const override {
    const bool real = batch_->IsReal(column) && !IsNull(column);  // NULL reads as "", as in SQLite
    return real ? RealText(Real(column)) : batch_->Text(row_, column);
  }

 private:
  std::optional<std::string>& At(int index) {
    if (values_.size() < static_cast<std::size_t>(index)) values_.resize(index);
    return values_[static_cast<std::size_t>(index) - 1];
  }
  void Fetch() {
    batch_.emplace(connection_.Execute(fetch_.c_str()));
    row_ = 0;
  }

  LineConnection& connection_;
  const std::string declare_, fetch_, close_;
  std::vector<std::optional<std::string>> values_;  // parameter N at N - 1
  std::optional<LineResult> batch_;                 // the rows fetched last; none before Step
  int row_ = 0;
};

}  // namespace

LineQueries::LineQueries(LineConnection& connection)
    : connection_(connection), transaction_(connection) {
  connection_.Execute("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ READ ONLY");
}

std::unique_ptr<QueryStatement> LineQueries::Prepare(const std::string& sql) {
  return std::make_unique<LineQueryStatement>(connection_,
                                              "quorvane_query_" + std::to_string(++cursors_), sql);
}

std::string PostgresParameters(std::string_view sql) {
  std::string out;
  char quote = 0;  // the quote a literal or a quoted name is open with
  for (std::size_t at = 0; at < sql.size(); ++at) {
    const char c = sql[at];
    if (quote != 0) {
      if (c == quote) quote = 0;  // a doubled quote closes and opens again
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '?' && at + 1 < sql.size() &&
               std::isdigit(static_cast<unsigned char>(sql[at + 1]))) {
      out += '$';
      while (at + 1 < sql.size() && std::isdigit(static_cast<unsigned char>(sql[at + 1]))) {
        out += sql[++at];
      }
      out += "::text";
      continue;
    }
    out += c;
  }
  return out;
}

}  // namespace results
