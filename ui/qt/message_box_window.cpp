#include "ui/qt/message_box_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/qt/caption_bar.h"

namespace ui {

namespace {

constexpr int kMinimumWidth = 240;
constexpr int kOkButtonWidth = 80;
constexpr int kMargin = 12;

}  // namespace

MessageBoxWindow::MessageBoxWindow(QWidget* owner, const QString& caption, const QString& text)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint),
      caption_(new CaptionBar(this)),
      text_(new QLabel(text, this)),
      ok_button_(new QPushButton(QStringLiteral("OK"), this)) {
  setWindowTitle(caption);
  caption_->SetTitle(caption);
  text_->setTextFormat(Qt::PlainText);
  setMinimumWidth(kMinimumWidth);
  ok_button_->setFixedWidth(kOkButtonWidth);
  ok_button_->setDefault(true);
  connect(ok_button_, &QPushButton::clicked, this, &QDialog::accept);

  auto* body = new QVBoxLayout;
  body->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  body->setSpacing(kMargin);
  body->addWidget(text_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_button_);
  buttons->addStretch();
  body->addLayout(buttons);

  auto* frame = new QVBoxLayout(this);
  frame->setContentsMargins(1, 1, 1, 1);  // a thin border, as the terminal's boxes have
  frame->setSpacing(0);
  frame->addWidget(caption_);
  frame->addLayout(body);
}

void MessageBoxWindow::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

QString MessageBoxWindow::caption() const { return caption_->title(); }

QString MessageBoxWindow::text() const { return text_->text(); }

}  // namespace ui
