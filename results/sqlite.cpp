#include "results/sqlite.h"

#include <algorithm>

namespace results {

namespace {

// What a statement does, for a message: its first words, up to a parenthesis or a line's end.
std::string Gist(std::string_view sql) {
  sql.remove_prefix(std::min(sql.find_first_not_of(" \n"), sql.size()));
  return std::string(sql.substr(0, sql.find_first_of("(\n")));
}

}  // namespace

Database::Database(const std::filesystem::path& file, int busy_timeout_ms) : file_(file) {
  const int status =
      sqlite3_open_v2(file.c_str(), &handle_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (status != SQLITE_OK) {
    // A handle comes back even when the open failed, to tell why; it is closed all the same.
    const std::string why = handle_ ? sqlite3_errmsg(handle_) : sqlite3_errstr(status);
    sqlite3_close(handle_);
    handle_ = nullptr;
    throw StoreError(file.string() + ": cannot open: " + why);
  }
  sqlite3_extended_result_codes(handle_, 1);
  sqlite3_busy_timeout(handle_, busy_timeout_ms);
}

Database::~Database() { sqlite3_close(handle_); }

void Database::Execute(const char* sql) {
  if (sqlite3_exec(handle_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(Gist(sql));
}

int Database::Changes() const { return sqlite3_changes(handle_); }

void Database::Fail(std::string_view doing) const {
  throw StoreError(file_.string() + ": " + sqlite3_errmsg(handle_) + " (" + std::string(doing) +
                   ")");
}

Statement::Statement(Database& database, const char* sql) : database_(database) {
  if (sqlite3_prepare_v2(database.handle(), sql, -1, &statement_, nullptr) != SQLITE_OK) {
    database.Fail("preparing a statement");
  }
}

Statement::~Statement() { sqlite3_finalize(statement_); }

Statement& Statement::Bind(int index, std::int64_t value) {
  if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) database_.Fail("binding");
  return *this;
}

Statement& Statement::Bind(int index, double value) {
  if (sqlite3_bind_double(statement_, index, value) != SQLITE_OK) database_.Fail("binding");
  return *this;
}

Statement& Statement::Bind(int index, std::string_view value) {
  if (sqlite3_bind_text64(statement_, index, value.data(), value.size(), SQLITE_TRANSIENT,
                          SQLITE_UTF8) != SQLITE_OK) {
    database_.Fail("binding");
  }
  return *this;
}

Statement& Statement::Bind(int index, std::nullopt_t) {
  if (sqlite3_bind_null(statement_, index) != SQLITE_OK) database_.Fail("binding");
  return *this;
}

bool Statement::Step() {
  const int status = sqlite3_step(statement_);
  if (status == SQLITE_ROW) return true;
  if (status == SQLITE_DONE) return false;
  const std::string gist = Gist(sqlite3_sql(statement_));
  sqlite3_reset(statement_);
  database_.Fail(gist);
}

void Statement::Run() {
  while (Step()) {
  }
  Reset();
}

void Statement::Reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

bool Statement::IsReal(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_FLOAT;
}

std::int64_t Statement::Integer(int column) const {
  return sqlite3_column_int64(statement_, column);
}

double Statement::Real(int column) const { return sqlite3_column_double(statement_, column); }

std::string Statement::Text(int column) const {
  const auto* text = sqlite3_column_text(statement_, column);
  const int size = sqlite3_column_bytes(statement_, column);
  return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size))
              : std::string();
}

std::optional<double> Statement::OptionalReal(int column) const {
  return IsNull(column) ? std::nullopt : std::optional(Real(column));
}

std::optional<std::string> Statement::OptionalText(int column) const {
  return IsNull(column) ? std::nullopt : std::optional(Text(column));
}

Transaction::Transaction(Database& database) : database_(database) {
  database.Execute("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
  if (open_) sqlite3_exec(database_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  database_.Execute("COMMIT");
  open_ = false;
}

}  // namespace results
