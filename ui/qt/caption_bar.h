// A caption bar drawn by the console itself, as the terminal's window manager draws it: the
// small icon, the window text, and the caption's buttons at the right end.
#pragma once

#include <functional>

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace ui {

class CaptionBar final : public QWidget {
 public:
  explicit CaptionBar(QWidget* parent);

  void SetTitle(const QString& title);
  QString title() const;
  void SetIcon(const QPixmap& icon);
  // A button at the right end, after those added before; it never takes the keyboard focus.
  QPushButton* AddButton(const QString& text, std::function<void()> action);

 private:
  QLabel* icon_;
  QLabel* title_;
  QHBoxLayout* row_;
};

}  // namespace ui
