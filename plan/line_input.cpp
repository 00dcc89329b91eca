#include "plan/line_input.h"

#include <algorithm>

#include "platform/linux/descriptor_wait.h"

namespace plan {

namespace {

namespace posix = platform::posix;

std::string Trimmed(std::string text) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && space(text.back())) text.pop_back();
  text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), space));
  return text;
}

}  // namespace

std::optional<std::string> LineInput::ReadLine(const StopRequest& stop, std::string& why) {
  posix::DescriptorWait wait(stop.WakeDescriptor(0));
  const std::size_t input = wait.Watch(descriptor_, POLLIN);
  for (;;) {
    const std::size_t newline = pending_.find('\n');
    if (newline != std::string::npos) {
      const bool too_long = dropping_ || newline > kLongestLine;
      std::string line = too_long ? std::string() : Trimmed(pending_.substr(0, newline));
      pending_.erase(0, newline + 1);
      dropping_ = false;
      return line;
    }
    if (pending_.size() > kLongestLine) {
      pending_.clear();
      dropping_ = true;
    }
    if (stop.stopping()) {
      why = "stopped while waiting for an answer";
      return std::nullopt;
    }
    if (wait.Until(std::nullopt) == posix::DescriptorWait::Outcome::kFailed) {
      why = "standard input cannot be read";
      return std::nullopt;
    }
    if (wait.Ready(input) == 0) continue;
    char buffer[256];
    const posix::CallResult got = posix::Read(descriptor_, buffer, sizeof buffer);
    if (!got.ok() || got.value == 0) {
      why = "standard input ended before an answer came";
      return std::nullopt;
    }
    pending_.append(buffer, static_cast<std::size_t>(got.value));
  }
}

}  // namespace plan
