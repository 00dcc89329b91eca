// The dialog on Qt's offscreen platform: the window the console places, every template item at
// the pixels its dialog units give, with its kind, caption and style.
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "platform/ports/window_model.h"
#include "res/resource.h"
#include "testing/qt/offscreen_console.h"
#include "ui/qt/dialog_units.h"
#include "ui/qt/qt_text.h"

namespace {

using platform::ControlKind;

class DialogLayoutTest : public qt_testing::OffscreenConsoleTest {};

TEST(DialogUnitsTest, EdgesAreMappedOneByOneWithTheTerminalsBaseUnits) {
  // Base units 7 × 13: x × 7/4, y × 13/8, each edge rounded half away from zero.
  EXPECT_EQ(ui::DialogUnitsToPixels({6, 5, 129, 265}), QRect(QPoint(11, 8), QPoint(235, 438)));
  EXPECT_EQ(ui::DialogUnitsToPixels({0, 0, 457, 275}), QRect(0, 0, 800, 447));
  // Keypad "3": 110 × 13/8 = 178.75 and 132 × 13/8 = 214.5, a half rounded up.
  EXPECT_EQ(ui::DialogUnitsToPixels({272, 110, 48, 22}), QRect(476, 179, 84, 36));
}

TEST_F(DialogLayoutTest, TheWindowIsTheWholeScreenWithItsCaption) {
  StartShown();
  ASSERT_NE(Window(), nullptr);
  EXPECT_TRUE(Window()->isVisible());
  EXPECT_EQ(Window()->geometry(), QRect(0, 0, 800, 480));
  EXPECT_EQ(Window()->caption()->title(), QStringLiteral("QUORVANE"));
  EXPECT_EQ(Window()->client()->geometry(), QRect(0, ui::kCaptionHeight, 800, 447));
  EXPECT_FALSE(Window()->ok_button()->isHidden());
  EXPECT_FALSE(Window()->close_button()->isHidden());
}

TEST_F(DialogLayoutTest, EveryTemplateItemSitsAtItsDialogUnitsWithItsKindAndCaption) {
  StartShown();
  const platform::WindowState* dialog = platform::FindWindowState(dlg.m_hWnd);
  ASSERT_EQ(dialog->children.size(), 45u);
  const QRect client(QPoint(0, 0), Window()->client()->size());
  for (HWND child : dialog->children) {
    const platform::WindowState& state = *platform::FindWindowState(child);
    SCOPED_TRACE(testing::Message() << "control " << state.id << " at " << state.template_rect.x
                                    << "," << state.template_rect.y);
    QWidget* widget = qt.WidgetOf(child);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget(), Window()->client());
    EXPECT_EQ(widget->geometry(), ui::DialogUnitsToPixels(state.template_rect));
    EXPECT_TRUE(client.contains(widget->geometry())) << "outside the screen";
    EXPECT_TRUE(widget->isVisible());
    const QString caption = ui::ToQString(state.text);
    switch (state.kind) {
      case ControlKind::PushButton:
        ASSERT_NE(qobject_cast<QPushButton*>(widget), nullptr);
        EXPECT_EQ(qobject_cast<QPushButton*>(widget)->text(), caption);
        break;
      case ControlKind::AutoRadioButton:
        ASSERT_NE(qobject_cast<QRadioButton*>(widget), nullptr);
        EXPECT_EQ(qobject_cast<QRadioButton*>(widget)->text(), caption);
        EXPECT_FALSE(qobject_cast<QRadioButton*>(widget)->isChecked());
        break;
      case ControlKind::GroupBox:
        ASSERT_NE(qobject_cast<QGroupBox*>(widget), nullptr);
        EXPECT_EQ(qobject_cast<QGroupBox*>(widget)->title(), caption);
        EXPECT_TRUE(widget->testAttribute(Qt::WA_TransparentForMouseEvents));
        break;
      case ControlKind::Edit:
      case ControlKind::Dialog:
        break;
    }
  }
}

TEST_F(DialogLayoutTest, TheLogPaneScrollsVerticallyWithoutWrappingAndTheNumberFieldIsOneLine) {
  StartShown();
  auto* log = qobject_cast<QPlainTextEdit*>(Widget(IDC_EDIT_LOG));
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(log->isReadOnly());
  EXPECT_EQ(log->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_TRUE(log->verticalScrollBar()->isVisible());
  EXPECT_EQ(log->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  auto* number = qobject_cast<QLineEdit*>(Widget(IDC_EDIT_NUMBER));
  ASSERT_NE(number, nullptr);
  EXPECT_FALSE(number->isReadOnly());
  EXPECT_TRUE(number->hasFrame());
}

}  // namespace
