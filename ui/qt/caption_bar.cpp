#include "ui/qt/caption_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include "ui/qt/dialog_units.h"

namespace ui {

namespace {

constexpr int kCaptionButtonWidth = 44;
constexpr int kIconSize = 24;

}  // namespace

CaptionBar::CaptionBar(QWidget* parent)
    : QWidget(parent),
      icon_(new QLabel(this)),
      title_(new QLabel(this)),
      row_(new QHBoxLayout(this)) {
  setFixedHeight(kCaptionHeight);
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, QColor(0x0A, 0x24, 0x6A));
  colours.setColor(QPalette::WindowText, Qt::white);
  setPalette(colours);
  icon_->setFixedSize(kIconSize, kIconSize);
  icon_->hide();  // until there is an icon to show
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);

  row_->setContentsMargins(4, 3, 3, 3);
  row_->setSpacing(4);
  row_->addWidget(icon_);
  row_->addWidget(title_, 1);
}

void CaptionBar::SetTitle(const QString& title) { title_->setText(title); }

QString CaptionBar::title() const { return title_->text(); }

void CaptionBar::SetIcon(const QPixmap& icon) {
  icon_->setPixmap(
      icon.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  icon_->setVisible(!icon.isNull());
}

QPushButton* CaptionBar::AddButton(const QString& text, std::function<void()> action) {
  auto* button = new QPushButton(text, this);
  button->setFixedSize(kCaptionButtonWidth, kCaptionHeight - 6);
  button->setFocusPolicy(Qt::NoFocus);
  QObject::connect(button, &QPushButton::clicked, std::move(action));
  row_->addWidget(button);
  return button;
}

}  // namespace ui
