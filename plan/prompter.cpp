#include "plan/prompter.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace plan {

namespace {

std::string Question(const PromptStep& prompt) {
  switch (prompt.kind) {
    case PromptKind::kConfirm:
      return prompt.text + " [ok/fail/retry]: ";
    case PromptKind::kNumber:
      return prompt.text + " [a number]: ";
    case PromptKind::kChoice: {
      std::string choices;
      for (const auto& choice : prompt.choices) choices += (choices.empty() ? "" : "/") + choice;
      return prompt.text + " [" + choices + "]: ";
    }
  }
  return prompt.text;
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
  for (;;) {
    std::cerr << Question(prompt) << std::flush;
    auto answer = input_.ReadLine(stop, why);
    if (!answer) return std::nullopt;
    if (prompt.kind == PromptKind::kConfirm) {
      std::transform(answer->begin(), answer->end(), answer->begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    }
    if (AnswerFits(prompt, *answer)) return answer;
    std::cerr << "\"" << *answer << "\" is no answer here\n";
  }
}

}  // namespace plan
