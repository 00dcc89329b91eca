#include "plan/unit_check.h"

namespace plan {

std::optional<std::string> UnitPatternRefusal(const Plan& plan, std::string_view unit) {
  if (!plan.unit_pattern) return std::nullopt;
  const PatternSearch search = plan.unit_pattern->Find(unit);
  if (search.match) return std::nullopt;
  const std::string serial = "the serial number \"" + std::string(unit) + "\"";
  if (!search.error.empty()) return serial + " cannot be checked: " + search.error;
  return serial + " does not match the plan's unit_pattern /" + plan.unit_pattern->text() + "/";
}

}  // namespace plan
