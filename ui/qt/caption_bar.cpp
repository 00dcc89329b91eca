#include "ui/qt/caption_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include "ui/qt/dialog_units.h"

namespace ui {

namespace {

constexpr int kButtonWidth = 44;
constexpr int kIconSize = 24;

QPushButton* MakeCaptionButton(const QString& text, QWidget* parent, std::function<void()> action) {
  auto* button = new QPushButton(text, parent);
  button->setFixedSize(kButtonWidth, kCaptionHeight - 6);
  button->setFocusPolicy(Qt::NoFocus);  // caption buttons never take the dialog's focus
  QObject::connect(button, &QPushButton::clicked, std::move(action));
  return button;
}

}  // namespace

CaptionBar::CaptionBar(QWidget* parent, std::function<void()> on_ok, std::function<void()> on_close)
    : QWidget(parent),
      icon_(new QLabel(this)),
      title_(new QLabel(this)),
      ok_(MakeCaptionButton(QStringLiteral("OK"), this, std::move(on_ok))),
      close_(MakeCaptionButton(QStringLiteral("×"), this, std::move(on_close))) {
  setFixedHeight(kCaptionHeight);
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, QColor(0x0A, 0x24, 0x6A));
  colours.setColor(QPalette::WindowText, Qt::white);
  setPalette(colours);
  icon_->setFixedSize(kIconSize, kIconSize);
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 3, 3, 3);
  row->setSpacing(4);
  row->addWidget(icon_);
  row->addWidget(title_, 1);
  row->addWidget(ok_);
  row->addWidget(close_);
}

void CaptionBar::SetTitle(const QString& title) { title_->setText(title); }

QString CaptionBar::title() const { return title_->text(); }

void CaptionBar::SetIcon(const QPixmap& icon) {
  icon_->setPixmap(
      icon.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace ui
