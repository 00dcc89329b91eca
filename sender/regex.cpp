#include "sender/regex.h"

#define PCRE2_CODE_UNIT_WIDTH 0
#include <pcre2.h>

namespace sender {

namespace {

// The library's names for one code unit width.
template <typename Unit>
struct Library;

#define QUORVANE_REGEX_LIBRARY(UNIT, WIDTH)                                                 \
  template <>                                                                               \
  struct Library<UNIT> {                                                                    \
    using Code = pcre2_code_##WIDTH;                                                        \
    using CompileContext = pcre2_compile_context_##WIDTH;                                   \
    using MatchContext = pcre2_match_context_##WIDTH;                                       \
    using MatchData = pcre2_match_data_##WIDTH;                                             \
    using Units = PCRE2_SPTR##WIDTH;                                                        \
    using Unit = PCRE2_UCHAR##WIDTH;                                                        \
    static constexpr auto compile = pcre2_compile_##WIDTH;                                  \
    static constexpr auto code_free = pcre2_code_free_##WIDTH;                              \
    static constexpr auto pattern_info = pcre2_pattern_info_##WIDTH;                        \
    static constexpr auto compile_context_create = pcre2_compile_context_create_##WIDTH;    \
    static constexpr auto compile_context_free = pcre2_compile_context_free_##WIDTH;        \
    static constexpr auto set_newline = pcre2_set_newline_##WIDTH;                          \
    static constexpr auto match_context_create = pcre2_match_context_create_##WIDTH;        \
    static constexpr auto match_context_free = pcre2_match_context_free_##WIDTH;            \
    static constexpr auto set_match_limit = pcre2_set_match_limit_##WIDTH;                  \
    static constexpr auto set_depth_limit = pcre2_set_depth_limit_##WIDTH;                  \
    static constexpr auto set_heap_limit = pcre2_set_heap_limit_##WIDTH;                    \
    static constexpr auto match_data_create = pcre2_match_data_create_from_pattern_##WIDTH; \
    static constexpr auto match_data_free = pcre2_match_data_free_##WIDTH;                  \
    static constexpr auto match = pcre2_match_##WIDTH;                                      \
    static constexpr auto ovector = pcre2_get_ovector_pointer_##WIDTH;                      \
    static constexpr auto group_length = pcre2_substring_length_byname_##WIDTH;             \
    static constexpr auto group_copy = pcre2_substring_copy_byname_##WIDTH;                 \
    /* A name table entry starts with the group's number, in two bytes or one unit. */      \
    static constexpr std::size_t kNumberUnits = (WIDTH) == 8 ? 2 : 1;                       \
  };

QUORVANE_REGEX_LIBRARY(char, 8)
QUORVANE_REGEX_LIBRARY(char16_t, 16)

#undef QUORVANE_REGEX_LIBRARY

template <auto free>
struct Freed {
  template <typename Thing>
  void operator()(Thing* thing) const {
    free(thing);
  }
};
template <typename Thing, auto free>
using Owned = std::unique_ptr<Thing, Freed<free>>;

template <typename Unit>
typename Library<Unit>::Units Units(std::basic_string_view<Unit> text) {
  return reinterpret_cast<typename Library<Unit>::Units>(text.data());
}

}  // namespace

std::string RegexMessage(int code) {
  PCRE2_UCHAR8 message[256];
  const int length = pcre2_get_error_message_8(code, message, sizeof message);
  if (length < 0) return "error " + std::to_string(code);
  return std::string(reinterpret_cast<const char*>(message), static_cast<std::size_t>(length));
}

template <typename Unit>
struct Regex<Unit>::Compiled {
  using L = Library<Unit>;
  Owned<typename L::Code, L::code_free> code;
  Owned<typename L::MatchContext, L::match_context_free> limits;
};

template <typename Unit>
std::variant<Regex<Unit>, RegexCompileError> Regex<Unit>::Compile(Text pattern,
                                                                  const RegexSettings& settings) {
  using L = Library<Unit>;
  const Owned<typename L::CompileContext, L::compile_context_free> context(
      L::compile_context_create(nullptr));
  auto compiled = std::make_shared<Compiled>();
  compiled->limits.reset(L::match_context_create(nullptr));
  if (context == nullptr || compiled->limits == nullptr) {
    return RegexCompileError{.no_memory = true, .code = PCRE2_ERROR_NOMEMORY};
  }
  if (settings.any_crlf_newline) L::set_newline(context.get(), PCRE2_NEWLINE_ANYCRLF);
  if (settings.match_limit != 0) L::set_match_limit(compiled->limits.get(), settings.match_limit);
  if (settings.depth_limit != 0) L::set_depth_limit(compiled->limits.get(), settings.depth_limit);
  if (settings.heap_limit_kibibytes != 0) {
    L::set_heap_limit(compiled->limits.get(), settings.heap_limit_kibibytes);
  }
  std::uint32_t options = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF;
  if (settings.multiline) options |= PCRE2_MULTILINE;
  if (settings.never_backslash_c) options |= PCRE2_NEVER_BACKSLASH_C;
  int code = 0;
  PCRE2_SIZE offset = 0;
  compiled->code.reset(
      L::compile(Units(pattern), pattern.size(), options, &code, &offset, context.get()));
  if (compiled->code == nullptr) return RegexCompileError{.code = code, .offset = offset};
  return Regex(std::move(compiled));
}

template <typename Unit>
std::vector<std::basic_string<Unit>> Regex<Unit>::GroupNames() const {
  using L = Library<Unit>;
  std::uint32_t count = 0;
  std::uint32_t entry_units = 0;
  typename L::Units table = nullptr;
  L::pattern_info(compiled_->code.get(), PCRE2_INFO_NAMECOUNT, &count);
  L::pattern_info(compiled_->code.get(), PCRE2_INFO_NAMEENTRYSIZE, &entry_units);
  L::pattern_info(compiled_->code.get(), PCRE2_INFO_NAMETABLE, &table);
  std::vector<std::basic_string<Unit>> names;
  for (std::uint32_t i = 0; i < count; ++i) {
    // After the number, the name, ending in a zero unit.
    names.emplace_back(reinterpret_cast<const Unit*>(table + i * entry_units + L::kNumberUnits));
  }
  return names;
}

template <typename Unit>
std::uint32_t Regex<Unit>::MaxLookbehind() const {
  std::uint32_t lookbehind = 0;
  Library<Unit>::pattern_info(compiled_->code.get(), PCRE2_INFO_MAXLOOKBEHIND, &lookbehind);
  return lookbehind;
}

template <typename Unit>
struct RegexMatcher<Unit>::Data {
  using L = Library<Unit>;
  using Held = Owned<typename L::MatchData, L::match_data_free>;
  Held data;
};

template <typename Unit>
RegexMatcher<Unit>::RegexMatcher(Regex<Unit> regex)
    : regex_(std::move(regex)),
      data_(new Data{typename Data::Held(
          Library<Unit>::match_data_create(regex_.compiled_->code.get(), nullptr))}) {}

template <typename Unit>
RegexMatcher<Unit>::~RegexMatcher() = default;
template <typename Unit>
RegexMatcher<Unit>::RegexMatcher(RegexMatcher&&) noexcept = default;
template <typename Unit>
RegexMatcher<Unit>& RegexMatcher<Unit>::operator=(RegexMatcher&&) noexcept = default;

template <typename Unit>
RegexSearch RegexMatcher<Unit>::Find(Text subject, std::size_t from, RegexSearchOptions options) {
  using L = Library<Unit>;
  using Outcome = RegexSearch::Outcome;
  if (data_->data == nullptr) return {Outcome::kNoMemory, PCRE2_ERROR_NOMEMORY};
  const std::uint32_t flags =
      (options.partial ? PCRE2_PARTIAL_SOFT : 0) | (options.not_at_line_start ? PCRE2_NOTBOL : 0);
  const typename Regex<Unit>::Compiled& compiled = *regex_.compiled_;
  const int result = L::match(compiled.code.get(), Units(subject), subject.size(), from, flags,
                              data_->data.get(), compiled.limits.get());
  if (result == PCRE2_ERROR_NOMATCH) return {Outcome::kNone};
  if (result < 0 && result != PCRE2_ERROR_PARTIAL) return {Outcome::kError, result};
  const PCRE2_SIZE* ovector = L::ovector(data_->data.get());
  return {result >= 0 ? Outcome::kMatch : Outcome::kPartial, 0, ovector[0], ovector[1]};
}

template <typename Unit>
std::optional<std::basic_string<Unit>> RegexMatcher<Unit>::Group(
    const std::basic_string<Unit>& name) const {
  using L = Library<Unit>;
  const typename L::Units units = Units(std::basic_string_view<Unit>(name));
  PCRE2_SIZE length = 0;
  if (L::group_length(data_->data.get(), units, &length) != 0) return std::nullopt;
  std::basic_string<Unit> value(length + 1, Unit{});
  PCRE2_SIZE size = value.size();
  L::group_copy(data_->data.get(), units, reinterpret_cast<typename L::Unit*>(value.data()), &size);
  value.resize(size);
  return value;
}

template class Regex<char>;
template class Regex<char16_t>;
template class RegexMatcher<char>;
template class RegexMatcher<char16_t>;

}  // namespace sender
