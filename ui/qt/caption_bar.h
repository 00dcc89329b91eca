// The dialog's caption bar, drawn by the console itself as the terminal's window manager draws
// it: the small icon, the window text, the OK button and the close button.
#pragma once

#include <functional>

#include <QWidget>

class QLabel;
class QPushButton;

namespace ui {

class CaptionBar final : public QWidget {
 public:
  CaptionBar(QWidget* parent, std::function<void()> on_ok, std::function<void()> on_close);

  void SetTitle(const QString& title);
  void SetIcon(const QPixmap& icon);
  QString title() const;
  QPushButton* ok_button() const { return ok_; }
  QPushButton* close_button() const { return close_; }

 private:
  QLabel* icon_;
  QLabel* title_;
  QPushButton* ok_;
  QPushButton* close_;
};

}  // namespace ui
