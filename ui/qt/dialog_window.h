// The dialog's top-level window: the caption bar with its OK and close buttons over the client
// area that holds the controls.
// Its size and place are the model's; closing it from outside (a window manager, Alt+F4) is the
// caption's close button, which the console may answer as it likes.
#pragma once

#include <functional>

#include <QWidget>

#include "ui/qt/caption_bar.h"

namespace ui {

class DialogWindow final : public QWidget {
 public:
  DialogWindow(std::function<void()> on_ok, std::function<void()> on_close);

  CaptionBar* caption() const { return caption_; }
  QPushButton* ok_button() const { return ok_button_; }
  QPushButton* close_button() const { return close_button_; }
  QWidget* client() const { return client_; }
  // The whole window, caption bar included, in screen pixels.
  void Place(const QRect& frame);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::function<void()> on_close_;
  CaptionBar* caption_;
  QPushButton* ok_button_;
  QPushButton* close_button_;
  QWidget* client_;
};

}  // namespace ui
