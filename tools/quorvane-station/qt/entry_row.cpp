#include "tools/quorvane-station/qt/entry_row.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "tools/quorvane-station/qt/station_look.h"

namespace station {

namespace {

// Longer than any serial number or name; a scanner that runs on is cut here.
constexpr int kMaxLine = 128;

}  // namespace

EntryRow::EntryRow(QWidget* parent)
    : QWidget(parent),
      caption_(new QLabel(QStringLiteral("Serial number"), this)),
      field_(new QLineEdit(this)),
      enter_(new QPushButton(QStringLiteral("Enter"), this)),
      refusal_(new QLabel(this)) {
  field_->setObjectName(QStringLiteral("entry"));
  field_->setMaxLength(kMaxLine);
  enter_->setObjectName(QStringLiteral("enter"));
  enter_->setFocusPolicy(Qt::NoFocus);
  refusal_->setTextFormat(Qt::PlainText);
  refusal_->setWordWrap(true);
  QPalette red = refusal_->palette();
  red.setColor(QPalette::WindowText, ShadeOf(Tone::kFail).background);
  refusal_->setPalette(red);
  QObject::connect(field_, &QLineEdit::returnPressed, [this] { Entered(); });
  QObject::connect(enter_, &QPushButton::clicked, [this] { Entered(); });

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(caption_);
  row->addWidget(field_, 2);
  row->addWidget(enter_);
  row->addWidget(refusal_, 3);
  End();
}

void EntryRow::Ask(Asking asking, const QString& refusal, Answer answer) {
  answer_ = std::move(answer);
  caption_->setText(asking == Asking::kOperator ? QStringLiteral("Operator")
                                                : QStringLiteral("Serial number"));
  refusal_->setText(refusal);
  field_->clear();
  field_->setEnabled(true);
  enter_->setEnabled(true);
  field_->setFocus();
}

void EntryRow::End() {
  answer_ = nullptr;
  field_->clear();
  field_->setEnabled(false);
  enter_->setEnabled(false);
  refusal_->clear();
}

void EntryRow::Entered() {
  const std::string line = field_->text().trimmed().toStdString();
  field_->clear();
  if (line.empty() || !answer_) return;
  const Answer answer = std::move(answer_);
  answer_ = nullptr;
  answer(line);
}

}  // namespace station
