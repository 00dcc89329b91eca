// A measured value against each kind of limit, and the numbers a capture reads as.
#include <gtest/gtest.h>

#include "plan/limit.h"
#include "plan/phase_text.h"
#include "plan/testing_pattern.h"

namespace {

using testing_support::Compiled;

using plan::Verdict;

TEST(LimitTest, JudgesEachKindOfLimit) {
  const plan::Limit range{plan::RangeLimit{10, 20, 2}, "V"};
  const plan::Limit number{plan::EqualsLimit{12.0}, ""};
  const plan::Limit text{plan::EqualsLimit{std::string("01012345678")}, ""};
  const plan::Limit pattern{plan::MatchesLimit{Compiled("^010[0-9]{8}$")}, ""};
  const struct {
    const plan::Limit& limit;
    plan::MeasuredValue value;
    Verdict verdict;
  } kCases[] = {
      {range, {"15", 15}, Verdict::kPass},
      {range, {"12", 12}, Verdict::kPass},
      {range, {"10", 10}, Verdict::kMarginal},
      {range, {"11.9", 11.9}, Verdict::kMarginal},
      {range, {"19", 19}, Verdict::kMarginal},
      {range, {"20", 20}, Verdict::kMarginal},
      {range, {"9.99", 9.99}, Verdict::kFail},
      {range, {"21", 21}, Verdict::kFail},
      {range, {"abc", std::nullopt}, Verdict::kFail},
      {number, {"12", 12}, Verdict::kPass},
      {number, {"13", 13}, Verdict::kFail},
      {text, {"01012345678", std::nullopt}, Verdict::kPass},
      {text, {"01012345679", std::nullopt}, Verdict::kFail},
      {pattern, {"01012345678", std::nullopt}, Verdict::kPass},
      {pattern, {"0101234567", std::nullopt}, Verdict::kFail},
      {plan::Limit{}, {"anything", std::nullopt}, Verdict::kPass},
  };
  for (const auto& c : kCases) {
    const plan::Judgement judgement = plan::Judge(c.limit, c.value);
    EXPECT_EQ(judgement.verdict, c.verdict) << c.value.text;
    EXPECT_EQ(judgement.why.empty(), c.verdict != Verdict::kFail) << c.value.text;
  }
}

TEST(LimitTest, ReadsCapturedNumbersStrictly) {
  const struct {
    const char* text;
    plan::NumberBase base;
    std::optional<double> number;
  } kCases[] = {
      {"1a", plan::NumberBase::kHex, 26},
      {"0xFFFFFFFF", plan::NumberBase::kHex, 4294967295},
      {"-1", plan::NumberBase::kHex, {}},
      {"1g", plan::NumberBase::kHex, {}},
      {"12.5", plan::NumberBase::kDecimal, 12.5},
      {"-3", plan::NumberBase::kDecimal, -3},
      {" 3", plan::NumberBase::kDecimal, {}},
      {"", plan::NumberBase::kDecimal, {}},
      {"12", plan::NumberBase::kText, {}},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(plan::ReadNumber(c.text, c.base), c.number) << c.text;
  }
}

TEST(LimitTest, PathologicalPatternStopsAtItsLimit) {
  const auto pattern = Compiled("^(a+)+$");
  const plan::PatternSearch search = pattern->Find(std::string(40, 'a') + "b");
  EXPECT_FALSE(search.match);
  EXPECT_NE(search.error.find("stopped"), std::string::npos) << search.error;
}

}  // namespace
