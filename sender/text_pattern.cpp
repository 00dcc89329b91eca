#include "sender/text_pattern.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "platform/terminal/code_page.h"
#include "platform/terminal/utf16.h"

namespace sender {

namespace {

// Enough for any pattern a person writes to find its match in a pane's worth of text, and little
// enough that one that backtracks without end gives up within some tens of milliseconds.
constexpr std::uint32_t kMatchLimit = 2'000'000;
constexpr std::uint32_t kDepthLimit = 10'000;
constexpr std::uint32_t kHeapLimitKibibytes = 32 * 1024;
// A growing text is searched this much at a time, so that the limits hold for each search and not
// for the whole of a long text.
constexpr std::size_t kSliceUnits = 64 * 1024;
// Kept before where a match may begin, for lookbehinds and line starts.
constexpr std::size_t kLeastContextUnits = 256;

// Characters before `units` units of `text`: a surrogate pair is one.
std::size_t CharactersIn(std::u16string_view text, std::size_t units) {
  const std::u16string_view before = text.substr(0, units);
  return static_cast<std::size_t>(std::count_if(
      before.begin(), before.end(), [](char16_t unit) { return !platform::IsLowSurrogate(unit); }));
}

MatchOutcome Failed(const RegexSearch& search) {
  if (search.outcome == RegexSearch::Outcome::kNoMemory) {
    return PatternError{"no memory to match the pattern"};
  }
  return PatternError{"the pattern cannot be matched: " + RegexMessage(search.code)};
}

}  // namespace

std::variant<TextPattern, PatternError> TextPattern::Compile(std::string_view utf8) {
  if (utf8.size() > kMaxPatternBytes) {
    return PatternError{"PATTERN takes " + std::to_string(utf8.size()) + " bytes, more than the " +
                        std::to_string(kMaxPatternBytes) + " a pattern may take"};
  }
  const std::optional<std::wstring> wide = platform::FromUtf8(utf8);
  if (!wide) return PatternError{"PATTERN is not valid UTF-8"};
  const std::u16string pattern = platform::ToUtf16(*wide);

  auto compiled = Regex<char16_t>::Compile(pattern, {.any_crlf_newline = true,
                                                     .never_backslash_c = true,
                                                     .match_limit = kMatchLimit,
                                                     .depth_limit = kDepthLimit,
                                                     .heap_limit_kibibytes = kHeapLimitKibibytes});
  if (const auto* failed = std::get_if<RegexCompileError>(&compiled)) {
    if (failed->no_memory) return PatternError{"no memory to compile the pattern"};
    return PatternError{"PATTERN is not a regular expression: " + RegexMessage(failed->code) +
                        " (at offset " + std::to_string(CharactersIn(pattern, failed->offset)) +
                        ")"};
  }
  Regex<char16_t> regex = std::get<Regex<char16_t>>(std::move(compiled));
  // A lookbehind counts characters, each up to two units; nested ones may reach further.
  const std::size_t context_units =
      std::max<std::size_t>(kLeastContextUnits, 4 * std::size_t{regex.MaxLookbehind()});
  return TextPattern(std::move(regex), context_units);
}

MatchOutcome TextPattern::FindIn(std::u16string_view text) const {
  RegexMatcher<char16_t> matcher(regex_);
  const RegexSearch searched = matcher.Find(text, 0);
  if (searched.outcome == RegexSearch::Outcome::kNone) return NotYet{};
  if (searched.outcome != RegexSearch::Outcome::kMatch) return Failed(searched);
  return Found{std::u16string(text.substr(searched.start, searched.end - searched.start))};
}

GrowingTextMatch::GrowingTextMatch(const TextPattern& pattern)
    : matcher_(pattern.regex_), context_units_(pattern.context_units_) {}

MatchOutcome GrowingTextMatch::Add(std::u16string_view more) {
  while (!more.empty()) {
    std::size_t slice = std::min(more.size(), kSliceUnits);
    // A surrogate pair stays whole within one slice.
    if (slice < more.size() && platform::IsHighSurrogate(more[slice - 1])) --slice;
    kept_.append(more.substr(0, slice));
    more.remove_prefix(slice);
    MatchOutcome outcome = Search();
    if (!std::holds_alternative<NotYet>(outcome)) return outcome;
  }
  return NotYet{};
}

MatchOutcome GrowingTextMatch::Search() {
  using Outcome = RegexSearch::Outcome;
  // A partial match is one the text's end cut short: the next piece may complete it. Where one
  // is, a complete match that begins later is still taken.
  const RegexSearch searched =
      matcher_.Find(kept_, from_, {.partial = true, .not_at_line_start = dropped_front_});
  if (searched.outcome == Outcome::kMatch) {
    return Found{kept_.substr(searched.start, searched.end - searched.start)};
  }
  if (searched.outcome != Outcome::kPartial && searched.outcome != Outcome::kNone) {
    return Failed(searched);
  }
  // A match may still begin where the partial one did, or else only in text yet to come.
  const std::size_t may_begin =
      searched.outcome == Outcome::kPartial ? searched.start : kept_.size();
  std::size_t drop = may_begin > context_units_ ? may_begin - context_units_ : 0;
  drop = std::max(drop, kept_.size() > kMostKeptUnits ? kept_.size() - kMostKeptUnits : 0);
  if (drop > 0) {
    kept_.erase(0, drop);
    dropped_front_ = true;
  }
  from_ = may_begin > drop ? may_begin - drop : 0;
  return NotYet{};
}

}  // namespace sender
