// Who answers the operator's prompts: a person at a window or at the terminal, or the plan's
// scripted answers. Each answer is the text the plan's answers use: "ok", "fail" or "retry" for a
// confirmation, the number as typed, or the choice.
#pragma once

#include <optional>
#include <string>

#include "plan/line_input.h"
#include "plan/plan.h"
#include "plan/stop_request.h"

namespace plan {

class Prompter {
 public:
  virtual ~Prompter() = default;
  // The answer, or nothing when none came (stopped, no more input); `why` then says so.
  virtual std::optional<std::string> Ask(const PromptStep& prompt, const StopRequest& stop,
                                         std::string& why) = 0;
  // "operator" or "script", as the run report names who answered.
  virtual std::string AnsweredBy() const = 0;
};

// The plan's [answers], each prompt's list taken in order.
class ScriptedPrompter : public Prompter {
 public:
  explicit ScriptedPrompter(std::map<std::string, std::vector<std::string>> answers)
      : answers_(std::move(answers)) {}
  std::optional<std::string> Ask(const PromptStep& prompt, const StopRequest& stop,
                                 std::string& why) override;
  std::string AnsweredBy() const override { return "script"; }

 private:
  std::map<std::string, std::vector<std::string>> answers_;
  std::map<std::string, std::size_t> taken_;
};

// The terminal: the question on standard error, the answer a line from standard input.
class TerminalPrompter : public Prompter {
 public:
  std::optional<std::string> Ask(const PromptStep& prompt, const StopRequest& stop,
                                 std::string& why) override;
  std::string AnsweredBy() const override { return "operator"; }
  // Standard input, for whoever asks the operator more than the plan's prompts.
  LineInput& input() { return input_; }

 private:
  LineInput input_;
};

// Whether `answer` answers `prompt` (a confirmation's word, a number, one of the choices).
bool AnswerFits(const PromptStep& prompt, const std::string& answer);

}  // namespace plan
