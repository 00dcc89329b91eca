#include "plan/prompter.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>

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

// A terminal cannot show the picture: it names the file for the operator to open.
std::string Question(const PromptStep& prompt) {
  std::string text =
      prompt.text + (prompt.picture ? " (picture: " + prompt.picture->string() + ")" : "");
  switch (prompt.kind) {
    case PromptKind::kConfirm:
      return text + " [ok/fail/retry]: ";
    case PromptKind::kNumber:
      return text + " [a number]: ";
    case PromptKind::kChoice: {
      std::string choices;
      for (const auto& choice : prompt.choices) choices += (choices.empty() ? "" : "/") + choice;
      return text + " [" + choices + "]: ";
    }
  }
  return text;
}

}  // namespace

bool AnswerFits(const PromptStep& prompt, const std::string& answer) {
  switch (prompt.kind) {
    case PromptKind::kConfirm:
      return answer == "ok" || answer == "fail" || answer == "retry";
    case PromptKind::kNumber: {
      char* end = nullptr;
      std::strtod(answer.c_str(), &end);
      return !answer.empty() && end == answer.c_str() + answer.size();
    }
    case PromptKind::kChoice:
      return std::find(prompt.choices.begin(), prompt.choices.end(), answer) !=
             prompt.choices.end();
  }
  return false;
}

std::optional<std::string> ScriptedPrompter::Ask(const PromptStep& prompt, const StopRequest&,
                                                 std::string& why) {
  const auto answers = answers_.find(prompt.name);
  std::size_t& taken = taken_[prompt.name];
  if (answers == answers_.end() || taken >= answers->second.size()) {
    why = "no scripted answer left for the prompt \"" + prompt.name + "\"";
    return std::nullopt;
  }
  return answers->second[taken++];
}

std::optional<std::string> TerminalPrompter::Ask(const PromptStep& prompt, const StopRequest& stop,
                                                 std::string& why) {
  // Standard input is waited on with the stop's descriptor, so that Ctrl-C while the operator
  // thinks stops the run at once.
  posix::DescriptorWait wait(stop.WakeDescriptor(0));
  const std::size_t input = wait.Watch(STDIN_FILENO, POLLIN);
  for (;;) {
    std::cerr << Question(prompt) << std::flush;
    std::size_t newline;
    while ((newline = pending_.find('\n')) == std::string::npos) {
      if (stop.stopping()) {
        why = "stopped while waiting for an answer";
        return std::nullopt;
      }
      if (wait.Until(std::nullopt) == posix::DescriptorWait::Outcome::kFailed) break;
      if (wait.Ready(input) == 0) continue;
      char buffer[256];
      const posix::CallResult got = posix::Read(STDIN_FILENO, buffer, sizeof buffer);
      if (!got.ok() || got.value == 0) {
        why = "standard input ended before an answer came";
        return std::nullopt;
      }
      pending_.append(buffer, static_cast<std::size_t>(got.value));
    }
    if (newline == std::string::npos) {
      why = "standard input cannot be read";
      return std::nullopt;
    }
    std::string answer = Trimmed(pending_.substr(0, newline));
    pending_.erase(0, newline + 1);
    if (prompt.kind == PromptKind::kConfirm) {
      std::transform(answer.begin(), answer.end(), answer.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    }
    if (AnswerFits(prompt, answer)) return answer;
    std::cerr << "\"" << answer << "\" is no answer here\n";
  }
}

}  // namespace plan
