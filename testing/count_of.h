// For tests: how often a part stands in a text, occurrences not overlapping: lines in the pane,
// the debug port, the journal or a program's output.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace testing_support {

template <typename Char>
std::size_t CountOf(const std::basic_string<Char>& text, const Char* part) {
  const std::basic_string_view<Char> wanted(part);
  std::size_t count = 0;
  for (auto at = text.find(wanted); at != text.npos; at = text.find(wanted, at + wanted.size())) {
    ++count;
  }
  return count;
}

}  // namespace testing_support
