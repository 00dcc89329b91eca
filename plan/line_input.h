// Lines an operator types (or a scanner sends, each ending in Enter) on standard input, each
// waited for while the stop request is watched, so that Ctrl-C while the operator thinks stops at
// once. A line is kept to kLongestLine bytes: a longer one (a stuck key, a scanner gone wrong) is
// dropped whole and reads as an empty line, never growing without bound.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <optional>
#include <string>

#include "plan/stop_request.h"

namespace plan {

class LineInput {
 public:
  static constexpr std::size_t kLongestLine = 4096;

  explicit LineInput(int descriptor = STDIN_FILENO) : descriptor_(descriptor) {}

  // The next line, without its end and the blanks around it; nothing, with `why` saying so, when
  // a stop came or the input ended or failed first.
  std::optional<std::string> ReadLine(const StopRequest& stop, std::string& why);

 private:
  int descriptor_;
  std::string pending_;    // what was read beyond the last line
  bool dropping_ = false;  // within a line too long to keep
};

}  // namespace plan
