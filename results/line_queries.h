// The queries' reading of the line's PostgreSQL database. Every statement is a cursor in one
// read-only, repeatable-read transaction, so that the pages of a report all see the same runs
// however many arrive meanwhile, and several statements read along side by side on the one
// connection (a unit's runs beside their prompts); rows come a batch at a time, so a query over
// the whole line never holds more than a batch. The queries' ?N parameters become PostgreSQL's $N
// here and nowhere else, each declared a text (all the queries bind), since PostgreSQL cannot
// tell the type of one first met as `?1 IS NULL`.
#pragma once

#include <string>
#include <string_view>

#include "results/line_db.h"
#include "results/query_database.h"

namespace results {

class LineQueries : public QueryDatabase {
 public:
  // Begins the transaction on `connection`, which must outlive this; throws LineDbError.
  explicit LineQueries(LineConnection& connection);
  // Its statements throw LineDbError.
  std::unique_ptr<QueryStatement> Prepare(const std::string& sql) override;

 private:
  LineConnection& connection_;
  LineTransaction transaction_;  // never committed: it only reads
  int cursors_ = 0;              // each statement's cursor is named by its number
};

// `sql` with each ?N outside quotes written $N::text.
std::string PostgresParameters(std::string_view sql);

}  // namespace results
