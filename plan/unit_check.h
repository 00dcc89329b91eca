// Whether a unit's serial number is one the plan takes: a plan that names its units'
// unit_pattern refuses a serial number the pattern does not match whole, so that a mistyped or
// misread one never becomes a record.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "plan/plan.h"

namespace plan {

// Why `unit` is refused, or nothing when the plan takes it.
std::optional<std::string> UnitPatternRefusal(const Plan& plan, std::string_view unit);

}  // namespace plan
