#include "tools/quorvane-plan/window_prompter.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace quorvane_plan {

namespace {

// Closes `dialog` unanswered once a stop comes.
void CloseOnStop(QDialog& dialog, const plan::StopRequest& stop) {
  auto* timer = new QTimer(&dialog);
  QObject::connect(timer, &QTimer::timeout, &dialog, [&dialog, &stop] {
    if (stop.stopping()) dialog.reject();
  });
  timer->start(50);
}

}  // namespace

WindowPrompter::WindowPrompter(int& argc, char** argv)
    : application_(std::make_unique<QApplication>(argc, argv)) {}

WindowPrompter::~WindowPrompter() = default;

std::optional<std::string> WindowPrompter::Ask(const plan::PromptStep& prompt,
                                               const plan::StopRequest& stop, std::string& why) {
  const QString text = QString::fromStdString(prompt.text);
  for (;;) {
    std::string answer;
    if (prompt.kind == plan::PromptKind::kConfirm) {
      QMessageBox box(QMessageBox::Question, QString::fromStdString(prompt.name), text);
      QPushButton* ok = box.addButton("OK", QMessageBox::AcceptRole);
      QPushButton* fail = box.addButton("Fail", QMessageBox::RejectRole);
      QPushButton* retry = box.addButton("Retry", QMessageBox::ResetRole);
      CloseOnStop(box, stop);
      box.exec();
      if (stop.stopping()) break;
      if (box.clickedButton() == ok) return "ok";
      if (box.clickedButton() == fail) return "fail";
      if (box.clickedButton() == retry) return "retry";
      continue;  // closed by its close button: ask again
    }
    QInputDialog dialog;
    dialog.setWindowTitle(QString::fromStdString(prompt.name));
    dialog.setLabelText(text);
    if (prompt.kind == plan::PromptKind::kChoice) {
      QStringList choices;
      for (const auto& choice : prompt.choices) choices << QString::fromStdString(choice);
      dialog.setComboBoxItems(choices);
    }
    CloseOnStop(dialog, stop);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (stop.stopping()) break;
    answer = dialog.textValue().trimmed().toStdString();
    if (accepted && plan::AnswerFits(prompt, answer)) return answer;
  }
  why = "stopped while waiting for an answer";
  return std::nullopt;
}

}  // namespace quorvane_plan
