// The operator's prompts as windows, when there is a display: a message box with OK, Fail and
// Retry for a confirmation, an input dialog for a number or a choice. A stop closes the window
// unanswered.
#pragma once

#include <memory>

#include "plan/prompter.h"

class QApplication;

namespace quorvane_plan {

class WindowPrompter : public plan::Prompter {
 public:
  WindowPrompter(int& argc, char** argv);
  ~WindowPrompter() override;

  std::optional<std::string> Ask(const plan::PromptStep& prompt, const plan::StopRequest& stop,
                                 std::string& why) override;
  std::string AnsweredBy() const override { return "operator"; }

 private:
  std::unique_ptr<QApplication> application_;
};

}  // namespace quorvane_plan
