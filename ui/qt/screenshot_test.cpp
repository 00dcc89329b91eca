// The dialog as a person sees it right after start-up, rendered offscreen and compared with the
// reviewed reference image ui/qt/testdata/dialog_after_start.png. After a deliberate change of
// the look, write a new reference with
//   cmake --build build/default --target update-reference-screenshot
// and review the picture before committing it.
#include <cstdlib>

#include <QApplication>
#include <QImage>

#include "platform/ports/window_model.h"
#include "res/resource.h"
#include "testing/qt/offscreen_console.h"
#include "testing/qt/screenshot_difference.h"

namespace {

class ScreenshotTest : public qt_testing::OffscreenConsoleTest {
 protected:
  // Every control's rectangle in the window's picture.
  std::vector<QRect> ControlRectangles() const {
    std::vector<QRect> rectangles;
    for (HWND child : platform::FindWindowState(dlg.m_hWnd)->children) {
      const QWidget* widget = qt.WidgetOf(child);
      rectangles.push_back(QRect(widget->mapTo(Window(), QPoint(0, 0)), widget->size()));
    }
    return rectangles;
  }

  static QImage Reference() { return QImage(QStringLiteral(QUORVANE_REFERENCE_SCREENSHOT)); }

  QImage Shown() const { return Window()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

  bool LooksAsReviewed() const {
    return qt_testing::CompareScreenshots(Shown(), Reference(), ControlRectangles()).Tolerable();
  }
};

TEST_F(ScreenshotTest, TheDialogAfterStartUpLooksAsReviewed) {
  StartShown();
  const QImage shown = Shown();
  ASSERT_EQ(shown.size(), QSize(800, 480));
  if (std::getenv("QUORVANE_UPDATE_REFERENCE") != nullptr) {
    ASSERT_TRUE(shown.save(QStringLiteral(QUORVANE_REFERENCE_SCREENSHOT)));
    GTEST_SKIP() << "wrote " << QUORVANE_REFERENCE_SCREENSHOT << "; review it before committing";
  }
  const QImage reference = Reference();
  ASSERT_FALSE(reference.isNull()) << "no reference image at " << QUORVANE_REFERENCE_SCREENSHOT;
  const qt_testing::ScreenshotDifference difference =
      qt_testing::CompareScreenshots(shown, reference, ControlRectangles());
  if (!difference.Tolerable()) {
    const QString seen = QStringLiteral(QUORVANE_REFERENCE_SCREENSHOT).replace(".png", "-seen.png");
    shown.save(seen);
    ADD_FAILURE() << "the picture differs from the reference: "
                  << (difference.sizes_differ
                          ? std::string("another size")
                          : std::to_string(difference.edge_pixels) + " pixels of edges, " +
                                std::to_string(difference.differing_controls.size()) + " controls")
                  << "; this run's picture: " << seen.toStdString();
  }
}

TEST_F(ScreenshotTest, TheComparisonForgivesOtherHintingButNotAMovedOrMissingControl) {
  StartShown();
  ASSERT_TRUE(LooksAsReviewed());
  QFont font = QApplication::font();
  for (const auto hinting : {QFont::PreferNoHinting, QFont::PreferVerticalHinting}) {
    font.setHintingPreference(hinting);
    QApplication::setFont(font);
    Settle();
    EXPECT_TRUE(LooksAsReviewed()) << "hinting " << hinting;
  }
  font.setHintingPreference(QFont::PreferFullHinting);
  QApplication::setFont(font);

  QWidget* send = Widget(IDC_BTN_SEND);
  send->move(send->pos() + QPoint(3, 0));
  Settle();
  EXPECT_FALSE(LooksAsReviewed()) << "SEND moved by 3 pixels";
  send->move(send->pos() - QPoint(3, 0));
  for (const int id : {IDC_RADIO_COM4, IDC_BTN_KEY1, IDC_EDIT_NUMBER}) {
    Widget(id)->hide();
    Settle();
    EXPECT_FALSE(LooksAsReviewed()) << "control " << id << " missing";
    Widget(id)->show();
  }
  Settle();
  EXPECT_TRUE(LooksAsReviewed());
}

}  // namespace
