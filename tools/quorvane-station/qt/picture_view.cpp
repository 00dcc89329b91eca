#include "tools/quorvane-station/qt/picture_view.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include "tools/quorvane-station/qt/station_look.h"

namespace station {

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("picture"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  hide();
}

void PictureView::Show(const PromptPicture& picture) {
  image_ = QImage();
  fault_ = Displayed(picture.fault);
  if (!picture.bytes.empty()) {
    QByteArray bytes =
        QByteArray::fromRawData(picture.bytes.data(), static_cast<qsizetype>(picture.bytes.size()));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    if (!reader.read(&image_))
      fault_ = QStringLiteral("The picture cannot be shown: ") + reader.errorString();
  }
  setVisible(!image_.isNull() || !fault_.isEmpty());
  update();
}

void PictureView::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  if (image_.isNull()) {
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, fault_);
    return;
  }
  const QSize fitted = image_.size().scaled(size(), Qt::KeepAspectRatio);
  QRect target(QPoint(0, 0), fitted);
  target.moveCenter(rect().center());
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, image_);
}

}  // namespace station
