#include "tools/quorvane-station/qt/prompt_panel.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "tools/quorvane-station/qt/picture_view.h"
#include "tools/quorvane-station/qt/station_look.h"

namespace station {

namespace {

constexpr int kConfirmColumns = 3;  // OK, Fail and Retry side by side
constexpr int kChoiceColumns = 2;
constexpr int kKeypadColumns = 7;

void Colour(QPushButton& button, Tone tone) {
  const Shade shade = ShadeOf(tone);
  QPalette colours = button.palette();
  colours.setColor(QPalette::Button, shade.background);
  colours.setColor(QPalette::ButtonText, shade.text);
  button.setPalette(colours);
}

// A button that never takes the keyboard from the field that has it.
QPushButton* TouchButton(const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

}  // namespace

PromptPanel::PromptPanel(QWidget* parent)
    : QFrame(parent),
      title_(new QLabel(this)),
      text_(new QLabel(this)),
      picture_(new PictureView(this)),
      refusal_(new QLabel(this)),
      number_(new QLineEdit(this)),
      keypad_(new QWidget(this)),
      buttons_(new QWidget(this)),
      button_grid_(new QGridLayout(buttons_)) {
  setObjectName(QStringLiteral("prompt"));
  setFrameShape(QFrame::StyledPanel);
  for (QLabel* label : {title_, text_, refusal_}) {
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
  }
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  QPalette red = refusal_->palette();
  red.setColor(QPalette::WindowText, ShadeOf(Tone::kFail).background);
  refusal_->setPalette(red);
  number_->setObjectName(QStringLiteral("number"));
  number_->setMaxLength(64);
  QObject::connect(number_, &QLineEdit::returnPressed,
                   [this] { Answered(number_->text().trimmed().toStdString()); });
  button_grid_->setContentsMargins(0, 0, 0, 0);
  AddKeypad();

  auto* column = new QVBoxLayout(this);
  column->addWidget(title_);
  column->addWidget(text_);
  column->addWidget(picture_, 1);
  column->addWidget(refusal_);
  column->addWidget(number_);
  column->addWidget(keypad_);
  column->addWidget(buttons_);
  hide();
}

void PromptPanel::Ask(const plan::PromptStep& prompt, const PromptPicture& picture,
                      const QString& refusal, Answer answer) {
  answer_ = std::move(answer);
  title_->setText(Displayed(prompt.name));
  text_->setText(Displayed(prompt.text));
  picture_->Show(picture);
  refusal_->setText(refusal);
  refusal_->setVisible(!refusal.isEmpty());
  for (QPushButton* button : answer_buttons_) {
    button->hide();
    button->deleteLater();
  }
  answer_buttons_.clear();
  const bool number = prompt.kind == plan::PromptKind::kNumber;
  number_->setVisible(number);
  keypad_->setVisible(number);
  switch (prompt.kind) {
    case plan::PromptKind::kConfirm:
      answer_columns_ = kConfirmColumns;
      Colour(*AddAnswerButton(QStringLiteral("OK"), "ok"), Tone::kPass);
      Colour(*AddAnswerButton(QStringLiteral("Fail"), "fail"), Tone::kFail);
      AddAnswerButton(QStringLiteral("Retry"), "retry");
      break;
    case plan::PromptKind::kNumber: {
      number_->clear();
      QPushButton* ok = TouchButton(QStringLiteral("OK"), buttons_);
      ok->setObjectName(QStringLiteral("ok"));
      QObject::connect(ok, &QPushButton::clicked,
                       [this] { Answered(number_->text().trimmed().toStdString()); });
      button_grid_->addWidget(ok, 0, 0);
      answer_buttons_.push_back(ok);
      break;
    }
    case plan::PromptKind::kChoice:
      answer_columns_ = kChoiceColumns;
      for (const std::string& choice : prompt.choices) AddAnswerButton(Displayed(choice), choice);
      break;
  }
  show();
  MakeTouchable(*this);
  if (number) number_->setFocus();
}

void PromptPanel::End() {
  answer_ = nullptr;
  hide();
}

QPushButton* PromptPanel::AddAnswerButton(const QString& text, const std::string& word) {
  const int place = static_cast<int>(answer_buttons_.size());
  QPushButton* button = TouchButton(text, buttons_);
  button->setObjectName(QString::fromStdString(word));
  QObject::connect(button, &QPushButton::clicked, [this, word] { Answered(word); });
  button_grid_->addWidget(button, place / answer_columns_, place % answer_columns_);
  answer_buttons_.push_back(button);
  return button;
}

void PromptPanel::AddKeypad() {
  keypad_->setObjectName(QStringLiteral("keypad"));
  auto* grid = new QGridLayout(keypad_);
  grid->setContentsMargins(0, 0, 0, 0);
  const QString keys = QStringLiteral("1234567890.-");
  for (int place = 0; place < keys.size(); ++place) {
    QPushButton* key = TouchButton(keys.mid(place, 1), keypad_);
    QObject::connect(key, &QPushButton::clicked,
                     [this, typed = keys.mid(place, 1)] { number_->insert(typed); });
    grid->addWidget(key, place / kKeypadColumns, place % kKeypadColumns);
  }
  QPushButton* erase = TouchButton(QStringLiteral("\u232B"), keypad_);
  QObject::connect(erase, &QPushButton::clicked, [this] { number_->backspace(); });
  grid->addWidget(erase, 1, static_cast<int>(keys.size()) - kKeypadColumns);
}

void PromptPanel::Answered(const std::string& word) {
  if (!answer_) return;
  const Answer answer = std::move(answer_);
  answer_ = nullptr;
  answer(word);
}

}  // namespace station
