// A regular expression an outside sender waits for: PCRE2's syntax, sent in UTF-8 and matched
// against the console's UTF-16 text. Lines end with CR, LF or CR LF, so "." stays within a line
// and "(?m)$" stands before the pane's CR LF. Matching is bounded: a pattern that would backtrack
// without end meets the match, depth and heap limits and fails with an error, never holding the
// thread that matches for more than a moment.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

#include "sender/regex.h"

namespace sender {

// The longest pattern, in bytes of UTF-8.
inline constexpr std::size_t kMaxPatternBytes = 4096;

struct PatternError {
  std::string message;
};

struct Found {
  std::u16string text;  // what the pattern matched
};
struct NotYet {};
using MatchOutcome = std::variant<Found, NotYet, PatternError>;

class TextPattern {
 public:
  // The pattern ready to match, or the library's message and the character it stopped at.
  static std::variant<TextPattern, PatternError> Compile(std::string_view utf8);

  // The first match in `text`, taken on its own.
  MatchOutcome FindIn(std::u16string_view text) const;

 private:
  TextPattern(Regex<char16_t> regex, std::size_t context_units)
      : regex_(std::move(regex)), context_units_(context_units) {}
  friend class GrowingTextMatch;

  Regex<char16_t> regex_;
  std::size_t context_units_;  // kept before where a match may begin, for lookbehinds
};

// A pattern matched against a text that grows piece by piece (what reaches a pane), so that a
// match that spans pieces is found. Only the text a match may still begin in is kept, with some
// before it for lookbehinds, and at most kMostKeptUnits of it: a match that would span more is
// not found.
class GrowingTextMatch {
 public:
  static constexpr std::size_t kMostKeptUnits = 256 * 1024;

  explicit GrowingTextMatch(const TextPattern& pattern);

  // Looks again with `more` added; the first match found in the text so far.
  MatchOutcome Add(std::u16string_view more);

 private:
  MatchOutcome Search();

  RegexMatcher<char16_t> matcher_;
  std::size_t context_units_;
  std::u16string kept_;
  std::size_t from_ = 0;        // where in kept_ the next search starts
  bool dropped_front_ = false;  // kept_ no longer starts where the text did
};

}  // namespace sender
