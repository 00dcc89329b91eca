// A message box as the terminal draws it: the caption (the application's title) on a caption bar
// like the dialog's, the text, and an OK button. It draws its caption itself, so a kiosk's bare
// screen, where no window manager draws one, shows it as well.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace ui {

class CaptionBar;

class MessageBoxWindow final : public QDialog {
 public:
  MessageBoxWindow(QWidget* owner, const QString& caption, const QString& text);

  QString caption() const;
  QString text() const;
  QPushButton* ok_button() const { return ok_button_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CaptionBar* caption_;
  QLabel* text_;
  QPushButton* ok_button_;
};

}  // namespace ui
