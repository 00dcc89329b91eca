// A prompt's picture, drawn as large as the space beside the question allows without distorting
// it; in its place, why it cannot be shown (a file that is missing or is no picture).
#pragma once

#include <QImage>
#include <QWidget>

#include "tools/quorvane-station/qt/prompt_picture.h"

namespace station {

class PictureView : public QWidget {
 public:
  explicit PictureView(QWidget* parent);

  // Decodes `picture`; hides the view when there is nothing to show.
  void Show(const PromptPicture& picture);
  // What stands in the picture's place; empty when the picture is shown.
  const QString& fault() const { return fault_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
  QString fault_;
};

}  // namespace station
