// What a measured value must be for its measurement to pass: inside a range (with an optional
// marginal band inside either edge, which still passes but is marked), equal to a number or a
// text, or matching a pattern; or nothing, when the value is only reported.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "plan/pattern.h"

namespace plan {

struct NoLimit {};
struct RangeLimit {
  double low = 0;
  double high = 0;
  double marginal = 0;  // width of the band inside each edge that passes as marginal
};
struct EqualsLimit {
  std::variant<double, std::string> value;
};
struct MatchesLimit {
  std::shared_ptr<const Pattern> pattern;
};

struct Limit {
  std::variant<NoLimit, RangeLimit, EqualsLimit, MatchesLimit> check;
  std::string units;
};

// A measured value: the text as captured, and the number it reads as, when it does.
struct MeasuredValue {
  std::string text;
  std::optional<double> number;
};

enum class Verdict { kPass, kMarginal, kFail };

struct Judgement {
  Verdict verdict = Verdict::kPass;
  std::string why;  // for a failure: what the value is against what the limit asks
};

Judgement Judge(const Limit& limit, const MeasuredValue& value);

// A number as judgements and reports write it: decimal, up to 15 significant digits.
std::string NumberText(double value);

// What is wrong with the limit's numbers (a range upside down, a band wider than half the range,
// not a finite number), or nothing.
std::optional<std::string> LimitFault(const Limit& limit);

}  // namespace plan
