#include "results/run_filter.h"

#include <chrono>
#include <regex>

namespace results {

bool IsDay(const std::string& text) {
  static const std::regex shape(R"([0-9]{4}-[0-9]{2}-[0-9]{2})");
  if (!std::regex_match(text, shape)) return false;
  const std::chrono::year_month_day day{std::chrono::year(std::stoi(text.substr(0, 4))),
                                        std::chrono::month(std::stoul(text.substr(5, 2))),
                                        std::chrono::day(std::stoul(text.substr(8, 2)))};
  return day.ok();
}

}  // namespace results
