// A handler that holds the loop (the software update) still has its progress painted in the
// shown log pane: the texts it sets as a whole, and what stands before each of its pauses.
#include <QEvent>
#include <QPlainTextEdit>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "res/resource.h"
#include "testing/qt/offscreen_console.h"

namespace {

namespace fs = std::filesystem;

// Remembers the pane's shown text each time its viewport is painted.
class PaintRecorder final : public QObject {
 public:
  explicit PaintRecorder(QPlainTextEdit* pane) : pane_(pane) {
    pane->viewport()->installEventFilter(this);
  }
  std::vector<QString> painted_texts;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted_texts.push_back(pane_->toPlainText());
    return false;
  }

 private:
  QPlainTextEdit* pane_;
};

class PaintDuringHandlerTest : public qt_testing::OffscreenConsoleTest {};

TEST_F(PaintDuringHandlerTest, TheUpdatesStepsArePaintedBeforeItReturns) {
  StartShown();
  for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
    std::ofstream(Volume("ResidentFlash") / name) << name;
    fs::create_directories(Volume("SDMMC") / "Residentflash");
    std::ofstream(Volume("SDMMC") / "Residentflash" / name) << name;
  }
  auto* pane = qobject_cast<QPlainTextEdit*>(Widget(IDC_EDIT_LOG));
  PaintRecorder recorder(pane);
  Command(IDC_BTN_UPDATE);  // returns without Qt's event processing in between
  const std::vector<QString>& painted = recorder.painted_texts;
  ASSERT_FALSE(painted.empty());
  EXPECT_TRUE(painted.front().startsWith("Delete:\\ResidentFlash\\"))
      << painted.front().toStdString();
  EXPECT_NE(std::find(painted.begin(), painted.end(), "Delete Completed"), painted.end());
  Settle();
  EXPECT_EQ(painted.back(), "Copy Completed");
}

}  // namespace
