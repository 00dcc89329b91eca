#include "results/line_db.h"

#include <charconv>
#include <cstring>

namespace results {

namespace {

// SQLSTATE classes and codes that say which kind of fault a failed statement was.
bool IsTimeout(std::string_view state) { return state == "57014"; }  // query_canceled
bool IsRefusal(std::string_view state) {
  return state.starts_with("28") || state == "3D000";  // authorization; no such database
}

// libpq's message on one line: it breaks its own over several, with tabs.
std::string OneLine(const char* message) {
  std::string text;
  for (const char* at = message ? message : ""; *at != '\0'; ++at) {
    const bool space = *at == '\n' || *at == '\t' || *at == ' ';
    if (!space) {
      text += *at;
    } else if (!text.empty() && text.back() != ' ') {
      text += ' ';
    }
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

LineParams& LineParams::Add(std::string_view text) {
  values_.emplace_back(std::string(text));
  return *this;
}

LineParams& LineParams::Add(std::int64_t number) { return Add(std::to_string(number)); }

LineParams& LineParams::Add(double number) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, number).ptr;
  return Add(std::string_view(text, static_cast<std::size_t>(end - text)));
}

LineParams& LineParams::Add(bool flag) { return Add(std::int64_t{flag ? 1 : 0}); }

LineParams& LineParams::Add(std::nullopt_t) {
  values_.emplace_back(std::nullopt);
  return *this;
}

std::vector<const char*> LineParams::Pointers() const {
  std::vector<const char*> pointers;
  for (const auto& value : values_) pointers.push_back(value ? value->c_str() : nullptr);
  return pointers;
}

std::int64_t LineResult::Integer(int row, int column) const {
  std::int64_t number = 0;
  const char* text = PQgetvalue(result_, row, column);
  std::from_chars(text, text + std::strlen(text), number);
  return number;
}

double LineResult::Real(int row, int column) const {
  double number = 0;
  const char* text = PQgetvalue(result_, row, column);
  std::from_chars(text, text + std::strlen(text), number);  // also "Infinity" and "NaN"
  return number;
}

bool LineResult::IsReal(int column) const {
  // PostgreSQL's fixed type oids of real and double precision (its catalog's pg_type).
  constexpr Oid kFloat4 = 700, kFloat8 = 701;
  const Oid type = PQftype(result_, column);
  return type == kFloat4 || type == kFloat8;
}

LineConnection::LineConnection(const std::string& conninfo, const LineTimeouts& timeouts) {
  // Our defaults come first, the given string last, so that what it says wins.
  const std::string connect_timeout = std::to_string(timeouts.connect_s);
  const std::string options = "-c statement_timeout=" + std::to_string(timeouts.statement_ms);
  const char* keys[] = {
      "connect_timeout",     "options",          "application_name", "keepalives_idle",
      "keepalives_interval", "keepalives_count", "dbname",           nullptr};
  const char* values[] = {connect_timeout.c_str(), options.c_str(), "quorvane", "10", "5", "3",
                          conninfo.c_str(),        nullptr};
  connection_ = PQconnectdbParams(keys, values, 1);
  if (connection_ == nullptr)
    throw LineDbError(LineFault::kUnreachable, "line database: no memory");
  if (PQstatus(connection_) == CONNECTION_OK) return;
  const std::string message = OneLine(PQerrorMessage(connection_));
  // libpq reports a refusal only in words; the server's own words for these are stable.
  const bool refused = message.find("authentication failed") != std::string::npos ||
                       message.find("does not exist") != std::string::npos ||
                       message.find("no password supplied") != std::string::npos ||
                       message.find("no pg_hba.conf entry") != std::string::npos;
  const std::string what = "line database " + Where() + ": " + message;
  PQfinish(connection_);
  connection_ = nullptr;
  throw LineDbError(refused ? LineFault::kRefused : LineFault::kUnreachable, what);
}

LineConnection::~LineConnection() { PQfinish(connection_); }

std::string LineConnection::Where() const {
  if (connection_ == nullptr) return "(not connected)";
  const char* host = PQhost(connection_);
  return std::string(PQdb(connection_)) + " on " + (host && *host ? host : "the local socket") +
         ":" + PQport(connection_);
}

LineResult LineConnection::Execute(const char* sql, const LineParams& params) {
  const auto pointers = params.Pointers();
  LineResult result(PQexecParams(connection_, sql, static_cast<int>(pointers.size()), nullptr,
                                 pointers.data(), nullptr, nullptr, 0));
  const ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) Fail(result.get());
  return result;
}

void LineConnection::RunScript(const char* sql) {
  LineResult result(PQexec(connection_, sql));
  if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) Fail(result.get());
}

void LineConnection::Fail(const PGresult* result) const {
  const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  const std::string_view code = state ? state : "";
  LineFault fault = LineFault::kRejected;
  if (PQstatus(connection_) != CONNECTION_OK) {
    fault = LineFault::kLost;
  } else if (IsTimeout(code)) {
    fault = LineFault::kSlow;
  } else if (IsRefusal(code)) {
    fault = LineFault::kRefused;
  }
  throw LineDbError(fault,
                    "line database " + Where() + ": " + OneLine(PQerrorMessage(connection_)));
}

LineTransaction::LineTransaction(LineConnection& connection) : connection_(connection) {
  connection_.Execute("BEGIN");
}

LineTransaction::~LineTransaction() {
  if (!open_) return;
  try {
    connection_.Execute("ROLLBACK");
  } catch (const LineDbError&) {  // a connection that is gone has rolled back on its own
  }
}

void LineTransaction::Commit() {
  connection_.Execute("COMMIT");
  open_ = false;
}

}  // namespace results
