#include "plan/phase_text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "plan/record_slice.h"

namespace plan {

namespace {

// How much of the baseline's ending is looked for when the pane dropped its oldest lines.
constexpr std::size_t kBaselineTail = 256;

// The line that holds byte `at` of `text`, from its beginning on.
std::string_view LineFrom(std::string_view text, std::size_t at) {
  const std::size_t newline = text.rfind('\n', at);
  return text.substr(newline == std::string_view::npos ? 0 : newline + 1);
}

}  // namespace

std::string TextAfter(const std::string& baseline, const std::string& pane) {
  if (pane.starts_with(baseline)) return pane.substr(baseline.size());
  const std::string tail =
      baseline.substr(baseline.size() - std::min(baseline.size(), kBaselineTail));
  const std::size_t at = tail.empty() ? std::string::npos : pane.rfind(tail);
  return at == std::string::npos ? pane : pane.substr(at + tail.size());
}

std::optional<double> ReadNumber(const std::string& text, NumberBase base) {
  if (base == NumberBase::kText) return std::nullopt;
  if (base == NumberBase::kHex) {
    std::string_view digits = text;
    if (digits.starts_with("0x") || digits.starts_with("0X")) digits.remove_prefix(2);
    std::uint64_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
      return std::nullopt;
    }
    return static_cast<double>(value);
  }
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::optional<PatternMatch> LastMatch(const Pattern& capture, std::string_view text,
                                      std::string& error) {
  std::optional<PatternMatch> last;
  std::size_t from = 0;
  for (;;) {
    PatternSearch search = capture.Find(text, from);
    if (!search.error.empty()) error = search.error;
    if (!search.match) return last;
    // An empty match moves on by one byte, so that the search always gets further.
    from = search.match->end > search.match->begin ? search.match->end : search.match->end + 1;
    last = std::move(search.match);
  }
}

std::optional<double> ElapsedMilliseconds(const Pattern& from, const Pattern& to,
                                          std::string_view text, std::string& error) {
  const PatternSearch start = from.Find(text);
  if (!start.match) return (error = start.error, std::nullopt);
  const std::size_t next_line = text.find('\n', start.match->end);
  if (next_line == std::string_view::npos) return std::nullopt;
  const PatternSearch stop = to.Find(text, next_line + 1);
  if (!stop.match) return (error = stop.error, std::nullopt);
  const auto start_seconds = LineMonotonicSeconds(LineFrom(text, start.match->begin));
  const auto stop_seconds = LineMonotonicSeconds(LineFrom(text, stop.match->begin));
  if (!start_seconds || !stop_seconds) {
    error = "a matched line is no session-record line";
    return std::nullopt;
  }
  return (*stop_seconds - *start_seconds) * 1000.0;
}

}  // namespace plan
