// A regular expression from a plan: compiled once, when the plan is read, so that a plan with a
// bad one is refused before anything runs; matched with limits on backtracking and depth, since
// the text it runs over comes from the console and the plan from anyone.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sender/regex.h"

namespace plan {

struct PatternMatch {
  std::size_t begin = 0;  // byte offsets of the whole match
  std::size_t end = 0;
  std::map<std::string, std::string> groups;  // named groups that took part
};

// What one search found: a match, none, or that the limits stopped it (`error` says so).
struct PatternSearch {
  std::optional<PatternMatch> match;
  std::string error;
};

class Pattern {
 public:
  // The compiled pattern (UTF-8), or nullptr with `error` set to what is wrong with it.
  static std::unique_ptr<Pattern> Compile(std::string_view text, std::string& error);

  PatternSearch Find(std::string_view subject, std::size_t from = 0) const;
  const std::string& text() const { return text_; }
  const std::vector<std::string>& group_names() const { return group_names_; }

 private:
  Pattern(std::string text, sender::Regex<char> regex);

  std::string text_;
  sender::Regex<char> regex_;
  std::vector<std::string> group_names_;
};

}  // namespace plan
