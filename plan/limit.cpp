#include "plan/limit.h"

#include <cmath>
#include <sstream>

#include "sender/overloaded.h"

namespace plan {

namespace {

Judgement Fail(std::string why) { return {Verdict::kFail, std::move(why)}; }

}  // namespace

std::string NumberText(double value) {
  std::ostringstream text;
  text.precision(15);
  text << value;
  return text.str();
}

Judgement Judge(const Limit& limit, const MeasuredValue& value) {
  return std::visit(
      sender::Overloaded{
          [](const NoLimit&) { return Judgement{}; },
          [&](const RangeLimit& range) {
            if (!value.number) return Fail("\"" + value.text + "\" is not a number");
            const double v = *value.number;
            if (v < range.low || v > range.high) {
              return Fail(NumberText(v) + " is outside [" + NumberText(range.low) + ", " +
                          NumberText(range.high) + "]");
            }
            if (v < range.low + range.marginal || v > range.high - range.marginal) {
              return Judgement{Verdict::kMarginal, ""};
            }
            return Judgement{};
          },
          [&](const EqualsLimit& equals) {
            if (const auto* number = std::get_if<double>(&equals.value)) {
              if (value.number && *value.number == *number) return Judgement{};
              return Fail("\"" + value.text + "\" is not " + NumberText(*number));
            }
            const auto& text = std::get<std::string>(equals.value);
            if (value.text == text) return Judgement{};
            return Fail("\"" + value.text + "\" is not \"" + text + "\"");
          },
          [&](const MatchesLimit& matches) {
            const PatternSearch search = matches.pattern->Find(value.text);
            if (search.match) return Judgement{};
            if (!search.error.empty()) return Fail(search.error);
            return Fail("\"" + value.text + "\" does not match /" + matches.pattern->text() + "/");
          },
      },
      limit.check);
}

std::optional<std::string> LimitFault(const Limit& limit) {
  const auto* range = std::get_if<RangeLimit>(&limit.check);
  if (range == nullptr) {
    const auto* equals = std::get_if<EqualsLimit>(&limit.check);
    if (equals && std::holds_alternative<double>(equals->value) &&
        !std::isfinite(std::get<double>(equals->value))) {
      return "equals must be a finite number";
    }
    return std::nullopt;
  }
  if (!std::isfinite(range->low) || !std::isfinite(range->high) ||
      !std::isfinite(range->marginal)) {
    return "low, high and marginal must be finite numbers";
  }
  if (range->low > range->high) {
    return "low " + NumberText(range->low) + " is above high " + NumberText(range->high);
  }
  if (range->marginal < 0) return "marginal must not be negative";
  if (2 * range->marginal > range->high - range->low) {
    return "marginal " + NumberText(range->marginal) + " is wider than half the range";
  }
  return std::nullopt;
}

}  // namespace plan
