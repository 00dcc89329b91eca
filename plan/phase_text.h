// The text work of a phase, apart from any console: what the log pane gained since the attempt
// began, a captured text read as a number, the newest match of a capture, and the time between two
// session-record lines. The runner polls the console for the text; these only read it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "plan/pattern.h"
#include "plan/plan.h"

namespace plan {

// The pane's text added after `baseline`: what follows it when the pane still begins with it,
// else what follows the last place its ending shows (the pane dropped its oldest lines), else the
// whole pane (it was replaced).
std::string TextAfter(const std::string& baseline, const std::string& pane);

// Reads a captured text as a number the way `base` says; nothing when it is not one.
std::optional<double> ReadNumber(const std::string& text, NumberBase base);

// The last match of `capture` in `text`: the newest reading when the phase read more than once.
// `error` is set when the pattern's limits stopped a search; the matches before it still count.
std::optional<PatternMatch> LastMatch(const Pattern& capture, std::string_view text,
                                      std::string& error);

// Milliseconds between the record line matching `from` and the next line after it matching `to`,
// by the lines' monotonic clock. Nothing while they have not both shown; nothing with `error` set
// when a search was stopped or a matched line is no session-record line.
std::optional<double> ElapsedMilliseconds(const Pattern& from, const Pattern& to,
                                          std::string_view text, std::string& error);

}  // namespace plan
