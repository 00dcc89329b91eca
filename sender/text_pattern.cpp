#include "sender/text_pattern.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

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

PCRE2_SPTR Units(std::u16string_view text) { return reinterpret_cast<PCRE2_SPTR>(text.data()); }

std::string LibraryMessage(int error_code) {
  PCRE2_UCHAR message[256];
  const int length = pcre2_get_error_message(error_code, message, std::size(message));
  if (length < 0) return "error " + std::to_string(error_code);
  return platform::ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(message),
                                              static_cast<std::size_t>(length)));
}

// Characters before `units` units of `text`: a surrogate pair is one.
std::size_t CharactersIn(std::u16string_view text, std::size_t units) {
  const std::u16string_view before = text.substr(0, units);
  return static_cast<std::size_t>(
      std::count_if(before.begin(), before.end(), [](char16_t unit) {
        return !platform::IsLowSurrogate(unit);
      }));
}

struct CodeFree {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchContextFree {
  void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct CompileContextFree {
  void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
struct MatchDataFree {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

}  // namespace

struct TextPattern::Compiled {
  std::unique_ptr<pcre2_code, CodeFree> code;
  std::unique_ptr<pcre2_match_context, MatchContextFree> limits;
  std::size_t context_units = kLeastContextUnits;
};

struct GrowingTextMatch::MatchData {
  std::unique_ptr<pcre2_match_data, MatchDataFree> data;
};

namespace {

std::unique_ptr<pcre2_match_data, MatchDataFree> NewMatchData() {
  return std::unique_ptr<pcre2_match_data, MatchDataFree>(pcre2_match_data_create(1, nullptr));
}

struct Searched {
  int result;
  std::size_t start, end;  // of the match or, for a partial one, of what matched so far
};

Searched RunMatch(const TextPattern::Compiled& compiled, pcre2_match_data* data,
                std::u16string_view text, std::size_t from, std::uint32_t options) {
  const int result = pcre2_match(compiled.code.get(), Units(text), text.size(), from, options,
                                 data, compiled.limits.get());
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
  if (result >= 0 || result == PCRE2_ERROR_PARTIAL) return {result, ovector[0], ovector[1]};
  return {result, 0, 0};
}

MatchOutcome Failed(int result) {
  return PatternError{"the pattern cannot be matched: " + LibraryMessage(result)};
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

  const std::unique_ptr<pcre2_compile_context, CompileContextFree> settings(
      pcre2_compile_context_create(nullptr));
  auto compiled = std::make_shared<Compiled>();
  compiled->limits.reset(pcre2_match_context_create(nullptr));
  if (settings == nullptr || compiled->limits == nullptr) {
    return PatternError{"no memory to compile the pattern"};
  }
  pcre2_set_newline(settings.get(), PCRE2_NEWLINE_ANYCRLF);
  pcre2_set_match_limit(compiled->limits.get(), kMatchLimit);
  pcre2_set_depth_limit(compiled->limits.get(), kDepthLimit);
  pcre2_set_heap_limit(compiled->limits.get(), kHeapLimitKibibytes);

  int error_code = 0;
  PCRE2_SIZE error_offset = 0;
  compiled->code.reset(pcre2_compile(
      Units(pattern), pattern.size(), PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_NEVER_BACKSLASH_C,
      &error_code, &error_offset, settings.get()));
  if (compiled->code == nullptr) {
    return PatternError{"PATTERN is not a regular expression: " + LibraryMessage(error_code) +
                        " (at offset " + std::to_string(CharactersIn(pattern, error_offset)) +
                        ")"};
  }
  std::uint32_t lookbehind = 0;
  pcre2_pattern_info(compiled->code.get(), PCRE2_INFO_MAXLOOKBEHIND, &lookbehind);
  // A lookbehind counts characters, each up to two units; nested ones may reach further.
  compiled->context_units = std::max<std::size_t>(kLeastContextUnits, 4 * std::size_t{lookbehind});
  return TextPattern(std::move(compiled));
}

MatchOutcome TextPattern::FindIn(std::u16string_view text) const {
  const auto data = NewMatchData();
  if (data == nullptr) return PatternError{"no memory to match the pattern"};
  const Searched searched = RunMatch(*compiled_, data.get(), text, 0, 0);
  if (searched.result == PCRE2_ERROR_NOMATCH) return NotYet{};
  if (searched.result < 0) return Failed(searched.result);
  return Found{std::u16string(text.substr(searched.start, searched.end - searched.start))};
}

GrowingTextMatch::GrowingTextMatch(TextPattern pattern)
    : pattern_(std::move(pattern)), match_data_(new MatchData{NewMatchData()}) {}
GrowingTextMatch::~GrowingTextMatch() = default;
GrowingTextMatch::GrowingTextMatch(GrowingTextMatch&&) noexcept = default;
GrowingTextMatch& GrowingTextMatch::operator=(GrowingTextMatch&&) noexcept = default;

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
  if (match_data_->data == nullptr) return PatternError{"no memory to match the pattern"};
  const TextPattern::Compiled& compiled = *pattern_.compiled_;
  // A partial match is one the text's end cut short: the next piece may complete it. Where one
  // is, a complete match that begins later is still taken.
  const std::uint32_t options = PCRE2_PARTIAL_SOFT | (dropped_front_ ? PCRE2_NOTBOL : 0);
  const Searched searched = RunMatch(compiled, match_data_->data.get(), kept_, from_, options);
  if (searched.result >= 0) {
    return Found{kept_.substr(searched.start, searched.end - searched.start)};
  }
  if (searched.result != PCRE2_ERROR_PARTIAL && searched.result != PCRE2_ERROR_NOMATCH) {
    return Failed(searched.result);
  }
  // A match may still begin where the partial one did, or else only in text yet to come.
  const std::size_t may_begin =
      searched.result == PCRE2_ERROR_PARTIAL ? searched.start : kept_.size();
  std::size_t drop = may_begin > compiled.context_units ? may_begin - compiled.context_units : 0;
  drop = std::max(drop, kept_.size() > kMostKeptUnits ? kept_.size() - kMostKeptUnits : 0);
  if (drop > 0) {
    kept_.erase(0, drop);
    dropped_front_ = true;
  }
  from_ = may_begin > drop ? may_begin - drop : 0;
  return NotYet{};
}

}  // namespace sender
