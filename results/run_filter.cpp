#include "results/run_filter.h"

#include <chrono>
#include <cstdio>
#include <regex>
#include <stdexcept>

namespace results {

namespace {

std::chrono::year_month_day DayOf(const std::string& text) {
  return {std::chrono::year(std::stoi(text.substr(0, 4))),
          std::chrono::month(std::stoul(text.substr(5, 2))),
          std::chrono::day(std::stoul(text.substr(8, 2)))};
}

// The day after `day`, YYYY-MM-DD.
std::string NextDay(const std::string& day) {
  if (!IsDay(day)) throw std::invalid_argument("not a day of the form YYYY-MM-DD: " + day);
  const std::chrono::year_month_day next{std::chrono::sys_days(DayOf(day)) + std::chrono::days(1)};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(next.year()),
                static_cast<unsigned>(next.month()), static_cast<unsigned>(next.day()));
  return text;
}

}  // namespace

void BindRunFilter(QueryStatement& statement, const RunFilter& filter) {
  statement.Bind(1, filter.plan);
  statement.Bind(2, filter.station);
  statement.Bind(3, filter.since);
  statement.Bind(4, filter.until ? std::optional(NextDay(*filter.until)) : std::nullopt);
}

bool IsDay(const std::string& text) {
  static const std::regex shape(R"([0-9]{4}-[0-9]{2}-[0-9]{2})");
  return std::regex_match(text, shape) && DayOf(text).ok();
}

}  // namespace results
