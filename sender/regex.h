// The one place the PCRE2 library is called. Patterns come from people and subjects from the
// console, so every pattern is compiled to take text that is not valid UTF (a search simply finds
// no match inside such a sequence) and every search runs within the limits its pattern was
// compiled with, failing with an error rather than backtracking without end. One code unit type
// per use: char for UTF-8 (a plan's patterns over its text), char16_t for UTF-16 (an outside
// sender's patterns over the pane's text).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace sender {

// How a pattern is compiled, and the limits each of its searches runs within.
struct RegexSettings {
  bool multiline = false;          // ^ and $ at every line's start and end
  bool any_crlf_newline = false;   // lines end with CR, LF or CR LF, not as the library's default
  bool never_backslash_c = false;  // \C, which could split a character, is refused
  // Each limit 0 keeps the library's own.
  std::uint32_t match_limit = 0;
  std::uint32_t depth_limit = 0;
  std::uint32_t heap_limit_kibibytes = 0;
};

struct RegexCompileError {
  bool no_memory = false;
  int code = 0;            // for RegexMessage
  std::size_t offset = 0;  // where in the pattern, in code units
};

// What one search found. `start` and `end` hold the match or, for a partial one, what the text's
// end cut short.
struct RegexSearch {
  enum class Outcome { kMatch, kPartial, kNone, kError, kNoMemory };
  Outcome outcome = Outcome::kNone;
  int code = 0;  // the library's, for kError and kNoMemory
  std::size_t start = 0;
  std::size_t end = 0;
};

struct RegexSearchOptions {
  bool partial = false;            // a match the text's end cut short is kPartial
  bool not_at_line_start = false;  // the subject does not begin a line, for ^
};

// The library's text for an error code.
std::string RegexMessage(int code);

template <typename Unit>
class RegexMatcher;

// A compiled pattern; copies share it.
template <typename Unit>
class Regex {
 public:
  using Text = std::basic_string_view<Unit>;

  static std::variant<Regex, RegexCompileError> Compile(Text pattern,
                                                        const RegexSettings& settings);

  // The names of the pattern's named groups.
  std::vector<std::basic_string<Unit>> GroupNames() const;
  // How many characters the pattern's longest lookbehind looks back.
  std::uint32_t MaxLookbehind() const;

  struct Compiled;

 private:
  explicit Regex(std::shared_ptr<const Compiled> compiled) : compiled_(std::move(compiled)) {}
  friend class RegexMatcher<Unit>;

  std::shared_ptr<const Compiled> compiled_;
};

// Searches with one pattern, keeping what the last search matched; made once and reused.
template <typename Unit>
class RegexMatcher {
 public:
  using Text = std::basic_string_view<Unit>;

  explicit RegexMatcher(Regex<Unit> regex);
  ~RegexMatcher();
  RegexMatcher(RegexMatcher&&) noexcept;
  RegexMatcher& operator=(RegexMatcher&&) noexcept;

  // The first match in `subject` from `from` on.
  RegexSearch Find(Text subject, std::size_t from, RegexSearchOptions options = {});
  // The named group's text in the last match; nullopt when it took no part.
  std::optional<std::basic_string<Unit>> Group(const std::basic_string<Unit>& name) const;

 private:
  struct Data;
  Regex<Unit> regex_;
  std::unique_ptr<Data> data_;
};

extern template class Regex<char>;
extern template class Regex<char16_t>;
extern template class RegexMatcher<char>;
extern template class RegexMatcher<char16_t>;

}  // namespace sender
