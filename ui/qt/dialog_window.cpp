#include "ui/qt/dialog_window.h"

#include <QCloseEvent>

#include "ui/qt/dialog_units.h"

namespace ui {

DialogWindow::DialogWindow(std::function<void()> on_ok, std::function<void()> on_close)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      on_close_(on_close),
      caption_(new CaptionBar(this)),
      ok_button_(caption_->AddButton(QStringLiteral("OK"), std::move(on_ok))),
      close_button_(caption_->AddButton(QStringLiteral("×"), std::move(on_close))),
      client_(new QWidget(this)) {
  client_->setAutoFillBackground(true);
}

void DialogWindow::Place(const QRect& frame) { setGeometry(frame); }

void DialogWindow::closeEvent(QCloseEvent* event) {
  event->ignore();  // the console ends the dialog, or not, when it handles the close
  on_close_();
}

void DialogWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  caption_->setGeometry(0, 0, width(), kCaptionHeight);
  client_->setGeometry(0, kCaptionHeight, width(), height() - kCaptionHeight);
}

}  // namespace ui
