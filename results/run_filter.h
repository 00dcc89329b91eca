// Which runs a query looks at: a plan, a station and a span of UTC days, each optional. Every
// query names its runs `r` and puts kRunFilterSql in its WHERE clause with parameters 1 to 4, so
// the SQL stays fixed text and every value from the command line is bound, never spliced. The
// last day's end is bound as the next day's start, worked out here: the two databases share no
// date function, and a bound bound keeps the index on the runs' start in use on both.
#pragma once

#include <optional>
#include <string>

#include "results/query_database.h"

namespace results {

struct RunFilter {
  std::optional<std::string> plan;
  std::optional<std::string> station;
  std::optional<std::string> since;  // a UTC day, YYYY-MM-DD, from its start
  std::optional<std::string> until;  // a UTC day, YYYY-MM-DD, to its end
};

// Parameters 1 to 4; a query's own parameters start at 5.
inline constexpr const char* kRunFilterSql =
    "(?1 IS NULL OR r.plan_name = ?1) AND (?2 IS NULL OR r.station = ?2) AND "
    "(?3 IS NULL OR r.started_at >= ?3) AND (?4 IS NULL OR r.started_at < ?4)";

// Throws std::invalid_argument for a day that IsDay refuses.
void BindRunFilter(QueryStatement& statement, const RunFilter& filter);

// Whether `text` is a day of the calendar written YYYY-MM-DD.
bool IsDay(const std::string& text);

}  // namespace results
