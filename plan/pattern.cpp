#include "plan/pattern.h"

#include <cstdint>

namespace plan {

namespace {

// Enough for any sensible pattern over a pane of a few MB; a pathological one stops here.
constexpr std::uint32_t kMatchLimit = 1'000'000;
constexpr std::uint32_t kDepthLimit = 10'000;

}  // namespace

Pattern::Pattern(std::string text, sender::Regex<char> regex)
    : text_(std::move(text)), regex_(std::move(regex)), group_names_(regex_.GroupNames()) {}

std::unique_ptr<Pattern> Pattern::Compile(std::string_view text, std::string& error) {
  auto compiled = sender::Regex<char>::Compile(
      text, {.multiline = true, .match_limit = kMatchLimit, .depth_limit = kDepthLimit});
  if (const auto* failed = std::get_if<sender::RegexCompileError>(&compiled)) {
    error = "bad pattern at character " + std::to_string(failed->offset) + ": " +
            sender::RegexMessage(failed->code);
    return nullptr;
  }
  return std::unique_ptr<Pattern>(
      new Pattern(std::string(text), std::get<sender::Regex<char>>(std::move(compiled))));
}

PatternSearch Pattern::Find(std::string_view subject, std::size_t from) const {
  PatternSearch search;
  if (from > subject.size()) return search;
  // A serial block's bytes need not be UTF-8: the search simply finds no match inside one.
  sender::RegexMatcher<char> matcher(regex_);
  const sender::RegexSearch found = matcher.Find(subject, from);
  if (found.outcome == sender::RegexSearch::Outcome::kMatch) {
    PatternMatch match{found.start, found.end, {}};
    for (const std::string& name : group_names_) {
      if (std::optional<std::string> value = matcher.Group(name)) {
        match.groups.emplace(name, std::move(*value));
      }
    }
    search.match = std::move(match);
  } else if (found.outcome != sender::RegexSearch::Outcome::kNone) {
    search.error = "matching /" + text_ + "/ stopped: " + sender::RegexMessage(found.code);
  }
  return search;
}

}  // namespace plan
