// A plan's question to the operator inside the station window, beside the phases rather than in
// a dialog of its own: the prompt's name and text, its picture when it has one, and the answers
// as large buttons (OK, Fail and Retry for a confirmation, one button per choice) or, for a
// number, a field with a keypad for a touch screen without a keyboard. Each question takes one
// answer; the next comes with the next question.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QFrame>

#include "plan/plan.h"
#include "tools/quorvane-station/qt/prompt_picture.h"

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace station {

class PictureView;

class PromptPanel : public QFrame {
 public:
  using Answer = std::function<void(std::string)>;

  explicit PromptPanel(QWidget* parent);

  // Shows `prompt` and hands the operator's answer to `answer`, in the words the plan's answers
  // use ("ok", "fail", "retry", the number, the choice). `refusal`: why the last answer was not
  // taken; empty when none was refused.
  void Ask(const plan::PromptStep& prompt, const PromptPicture& picture, const QString& refusal,
           Answer answer);
  // No question stands: the panel goes.
  void End();

 private:
  QPushButton* AddAnswerButton(const QString& text, const std::string& word);
  void AddKeypad();
  void Answered(const std::string& word);

  QLabel* title_;
  QLabel* text_;
  PictureView* picture_;
  QLabel* refusal_;
  QLineEdit* number_;
  QWidget* keypad_;
  QWidget* buttons_;
  QGridLayout* button_grid_;
  std::vector<QPushButton*> answer_buttons_;  // this question's
  int answer_columns_ = 1;
  Answer answer_;
};

}  // namespace station
