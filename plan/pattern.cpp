#include "plan/pattern.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>

namespace plan {

namespace {

// Enough for any sensible pattern over a pane of a few MB; a pathological one stops here.
constexpr std::uint32_t kMatchLimit = 1'000'000;
constexpr std::uint32_t kDepthLimit = 10'000;

std::string ErrorText(int code) {
  PCRE2_UCHAR buffer[256];
  pcre2_get_error_message(code, buffer, sizeof buffer);
  return reinterpret_cast<const char*>(buffer);
}

}  // namespace

struct Pattern::Compiled {
  pcre2_code* code = nullptr;
  pcre2_match_context* context = nullptr;
  ~Compiled() {
    pcre2_match_context_free(context);
    pcre2_code_free(code);
  }
};

Pattern::Pattern(std::string text, std::unique_ptr<Compiled> compiled)
    : text_(std::move(text)), compiled_(std::move(compiled)) {
  std::uint32_t count = 0, entry_size = 0;
  PCRE2_SPTR table = nullptr;
  pcre2_pattern_info(compiled_->code, PCRE2_INFO_NAMECOUNT, &count);
  pcre2_pattern_info(compiled_->code, PCRE2_INFO_NAMEENTRYSIZE, &entry_size);
  pcre2_pattern_info(compiled_->code, PCRE2_INFO_NAMETABLE, &table);
  for (std::uint32_t i = 0; i < count; ++i) {
    // Each entry: the group's number in two bytes, then its name, NUL-terminated.
    group_names_.emplace_back(reinterpret_cast<const char*>(table + i * entry_size + 2));
  }
}

Pattern::~Pattern() = default;

std::unique_ptr<Pattern> Pattern::Compile(std::string_view text, std::string& error) {
  int code = 0;
  PCRE2_SIZE offset = 0;
  auto compiled = std::make_unique<Compiled>();
  constexpr std::uint32_t kOptions = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_MULTILINE;
  compiled->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), kOptions,
                                 &code, &offset, nullptr);
  if (compiled->code == nullptr) {
    error = "bad pattern at character " + std::to_string(offset) + ": " + ErrorText(code);
    return nullptr;
  }
  compiled->context = pcre2_match_context_create(nullptr);
  pcre2_set_match_limit(compiled->context, kMatchLimit);
  pcre2_set_depth_limit(compiled->context, kDepthLimit);
  return std::unique_ptr<Pattern>(new Pattern(std::string(text), std::move(compiled)));
}

PatternSearch Pattern::Find(std::string_view subject, std::size_t from) const {
  PatternSearch search;
  if (from > subject.size()) return search;
  pcre2_match_data* data = pcre2_match_data_create_from_pattern(compiled_->code, nullptr);
  // A serial block's bytes need not be UTF-8: compiled to take invalid sequences, the search
  // simply finds no match inside one.
  const int result = pcre2_match(compiled_->code, reinterpret_cast<PCRE2_SPTR>(subject.data()),
                                 subject.size(), from, 0, data, compiled_->context);
  if (result >= 0) {
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
    PatternMatch match{ovector[0], ovector[1], {}};
    for (const std::string& name : group_names_) {
      PCRE2_SIZE length = 0;
      if (pcre2_substring_length_byname(data, reinterpret_cast<PCRE2_SPTR>(name.c_str()),
                                        &length) != 0) {
        continue;
      }
      std::string value(length + 1, '\0');
      PCRE2_SIZE size = value.size();
      pcre2_substring_copy_byname(data, reinterpret_cast<PCRE2_SPTR>(name.c_str()),
                                  reinterpret_cast<PCRE2_UCHAR*>(value.data()), &size);
      value.resize(size);
      match.groups.emplace(name, std::move(value));
    }
    search.match = std::move(match);
  } else if (result != PCRE2_ERROR_NOMATCH) {
    search.error = "matching /" + text_ + "/ stopped: " + ErrorText(result);
  }
  pcre2_match_data_free(data);
  return search;
}

}  // namespace plan
