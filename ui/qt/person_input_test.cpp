// A person's taps, typing and selections on the offscreen dialog reach the console as its
// messages, in the order given, with the same effect as an outside sender's commands.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include "platform/ports/window_model.h"
#include "res/resource.h"
#include "sender/dialog_actions.h"
#include "testing/qt/offscreen_console.h"
#include "testing/test_dialog.h"
#include "testing/tty_end.h"
#include "ui/qt/edit_text_display.h"
#include "ui/qt/message_box_window.h"

namespace {

using namespace std::chrono_literals;

enum class Way { TapOnTheScreen, OutsideSender };

std::string WayName(const testing::TestParamInfo<Way>& info) {
  return info.param == Way::TapOnTheScreen ? "TapOnTheScreen" : "OutsideSender";
}

class DialogInputTest : public qt_testing::OffscreenConsoleTest {
 protected:
  const platform::WindowState& Model(int id) const {
    return *platform::FindWindowState(GetDlgItem(dlg.m_hWnd, id));
  }
  QPlainTextEdit* LogPane() const { return qobject_cast<QPlainTextEdit*>(Widget(IDC_EDIT_LOG)); }
  QString LogShown() const { return LogPane()->toPlainText(); }
  bool Checked(int id) const { return qobject_cast<QRadioButton*>(Widget(id))->isChecked(); }
};

class ClickTest : public DialogInputTest, public testing::WithParamInterface<Way> {
 protected:
  void Click(int id) {
    if (GetParam() == Way::TapOnTheScreen) {
      Tap(id);
    } else {
      const sender::Reply reply = sender::CarryOut(dlg.m_hWnd, {sender::CommandRequest{id}});
      ASSERT_FALSE(reply.error) << *reply.error;
      Settle();
    }
  }
};

INSTANTIATE_TEST_SUITE_P(BothWays, ClickTest,
                         testing::Values(Way::TapOnTheScreen, Way::OutsideSender), WayName);

TEST_P(ClickTest, ChoosingCom5OpeningAndSendingWriteTheTestFrame) {
  StartShown();
  testing_support::TtyEnd far_end(Sandbox() / "tty" / "COM5");
  Click(IDC_RADIO_COM5);
  EXPECT_TRUE(Model(IDC_RADIO_COM5).checked);
  EXPECT_TRUE(Checked(IDC_RADIO_COM5));
  Click(IDC_BTN_OPEN);
  Click(IDC_BTN_SEND);
  EXPECT_EQ(far_end.Read(8), std::string("\x07\x54\x44\x00\x32\x00\x32\xFC", 8));
  EXPECT_EQ(LogText(), L"COM5 CLOSE success \r\nCOM5 OPEN!! \r\nCOM5 write8 \r\n");
  EXPECT_EQ(LogShown(), QString::fromUtf8("COM5 CLOSE success \u200B\nCOM5 OPEN!! \u200B\n"
                                          "COM5 write8 \u200B\n"));
  // All nine radio buttons are one group: an ETC choice clears the port's mark.
  Click(IDC_RADIO_POWER_OFF);
  EXPECT_FALSE(Model(IDC_RADIO_COM5).checked);
  EXPECT_FALSE(Checked(IDC_RADIO_COM5));
  EXPECT_TRUE(Checked(IDC_RADIO_POWER_OFF));
}

TEST_P(ClickTest, TheVehicleIoButtonsReachTheirDrivers) {
  using Calls = std::vector<console_testing::DriverCall>;
  StartShown();
  for (int id : {IDC_RADIO_POWER_ON, IDC_BTN_ETC_ON_OFF, IDC_BTN_MODEM_POWER_OFF,
                 IDC_BTN_MODEM_POWER_ON, IDC_RADIO_VACANT_CTRL, IDC_BTN_ETC_ON_OFF}) {
    Click(id);
  }
  EXPECT_EQ(NewCallsTo("ETC1:"),
            (Calls{{true, 9120, 1, 1}, {true, 9125, 0, 0}, {true, 9125, 1, 0}}));
  for (int id : {IDC_BTN_RESERVE_ON, IDC_BTN_BOARDING, IDC_BTN_VACANT_ON}) Click(id);
  EXPECT_EQ(NewCallsTo("MTR1:"), (Calls{{true, 8029, 1, 0},
                                        {true, 8028, 1, 0},
                                        {true, 8028, 0, 0},
                                        {true, 8029, 0, 0},
                                        {true, 8028, 1, 0},
                                        {true, 8029, 0, 0},
                                        {true, 8028, 1, 0},
                                        {true, 8028, 0, 0}}));
  EXPECT_TRUE(Checked(IDC_RADIO_VACANT_CTRL));
}

TEST_P(ClickTest, TappingACheckedRadioButtonLeavesItChecked) {
  StartShown();
  Click(IDC_RADIO_COM1);
  Click(IDC_RADIO_COM1);
  EXPECT_TRUE(Model(IDC_RADIO_COM1).checked);
  EXPECT_TRUE(Checked(IDC_RADIO_COM1));
}

TEST_P(ClickTest, KeypadDigitsFillTheNumberFieldOnScreen) {
  StartShown();
  for (const int key : {IDC_BTN_KEY0, IDC_BTN_KEY1, IDC_BTN_KEY0}) Click(key);
  EXPECT_EQ(Model(IDC_EDIT_NUMBER).text, u"010");
  EXPECT_EQ(qobject_cast<QLineEdit*>(Widget(IDC_EDIT_NUMBER))->text(), QStringLiteral("010"));
}

TEST_F(DialogInputTest, TheCaptionButtonsEndTheDialogAsItsCloseAndOkAndTheExitCommandDo) {
  PrepareBoard();
  ASSERT_TRUE(std::filesystem::exists(Volume("SDMMC")));
  loop.core()->Post([this] { Tap(Window()->close_button()); });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_FALSE(std::filesystem::exists(Volume("SDMMC") / "rwtest.txt"));
  EXPECT_EQ(qt.WindowOf(dlg.m_hWnd), nullptr);

  loop.core()->Post([this] { Tap(Window()->ok_button()); });
  EXPECT_EQ(dlg.DoModal(), IDOK);

  // The outside sender's exit command ends it as the close button does.
  loop.core()->Post(
      [this] { sender::CarryOut(dlg.m_hWnd, {sender::CommandRequest{IDC_BTN_EXIT}}); });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_FALSE(std::filesystem::exists(Volume("SDMMC") / "rwtest.txt"));
}

TEST_F(DialogInputTest, ASelectionMadeInTheLogPaneReceivesTheNextAppend) {
  StartShown();
  dlg.AppendLog(L"line one\r\nline two\r\n");
  Settle();
  // The person drags across "one".
  QPlainTextEdit* log = LogPane();
  QTextCursor at = log->textCursor();
  at.setPosition(5);
  const QPoint from = log->cursorRect(at).center();
  at.setPosition(8);
  const QPoint to = log->cursorRect(at).center();
  QTest::mousePress(log->viewport(), Qt::LeftButton, {}, from);
  QMouseEvent drag(QEvent::MouseMove, to, log->viewport()->mapToGlobal(to), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(log->viewport(), &drag);
  QTest::mouseRelease(log->viewport(), Qt::LeftButton, {}, to);
  Settle();
  EXPECT_EQ(Model(IDC_EDIT_LOG).selection.start(), 5u);
  EXPECT_EQ(Model(IDC_EDIT_LOG).selection.end(), 8u);

  dlg.AppendLog(L"ONE");
  dlg.AppendLog(L"!");
  Settle();
  EXPECT_EQ(LogText(), L"line ONE!\r\nline two\r\n");
  EXPECT_EQ(LogShown(), QString::fromUtf8("line ONE!\u200B\nline two\u200B\n"));
  // The caret moved by keys: Ctrl+End puts the next append back at the end.
  QTest::keyClick(log, Qt::Key_End, Qt::ControlModifier);
  Settle();
  dlg.AppendLog(L"three");
  EXPECT_EQ(LogText(), L"line ONE!\r\nline two\r\nthree");
}

TEST_F(DialogInputTest, AppendedLinesScrollIntoSightAndALineEndSplitAcrossAppendsIsOneBreak) {
  StartShown();
  for (int line = 0; line < 200; ++line) dlg.AppendLog(L"COM1 write21 \r\n");
  dlg.AppendLog(L"aaaaa w:3>\r");
  dlg.AppendLog(L"\nAT\r");
  Settle();
  QPlainTextEdit* log = LogPane();
  EXPECT_GT(log->verticalScrollBar()->value(), 150);  // the first lines scrolled away
  EXPECT_TRUE(log->viewport()->rect().contains(log->cursorRect()));
  EXPECT_EQ(log->document()->blockCount(), 203);  // 201 lines, the lone "\r", and the empty last
  EXPECT_EQ(log->document()->findBlockByNumber(200).text(), QString::fromUtf8("aaaaa w:3>\u200B"));
  EXPECT_EQ(log->document()->findBlockByNumber(201).text(), QStringLiteral("AT"));
}

TEST_F(DialogInputTest, TheShownPaneFollowsTheModelWhenItsOldestLinesGo) {
  StartShown("edit_control_capacity = 1000\n");
  const platform::WindowState& model = Model(IDC_EDIT_LOG);
  QPlainTextEdit* log = LogPane();
  const auto expect_mirrored = [&](const char* when) {
    Settle();
    EXPECT_EQ(LogShown(), ui::ShownCharacters(model.text)) << when;
    EXPECT_EQ(static_cast<std::size_t>(log->textCursor().position()), model.selection.caret)
        << when;
  };
  // Lines of 18 units, a surrogate pair among them: 1000 units hold 55, trimmed to 875 or less.
  for (int line = 0; line < 300; ++line) {
    dlg.AppendLog((L"COM1 \U0001F600 recv " + std::to_wstring(100 + line) + L"\r\n").c_str());
  }
  expect_mirrored("appended at the end");
  EXPECT_LE(model.text.size(), 1000u);
  EXPECT_TRUE(LogText().ends_with(L"\nCOM1 \U0001F600 recv 399\r\n"));
  EXPECT_LE(log->document()->blockCount(), 56);
  // The caret in the oldest line, where the next appends go: that line goes, and the caret with it.
  SendMessageW(model.hwnd, EM_SETSEL, 8, 8);
  for (int line = 0; line < 10; ++line) dlg.AppendLog(L"inserted line\r\n");
  expect_mirrored("inserted into the oldest line");
}

TEST_F(DialogInputTest, TypingAndMovingTheCaretInTheNumberFieldReachTheModel) {
  StartShown();
  auto* number = qobject_cast<QLineEdit*>(Widget(IDC_EDIT_NUMBER));
  number->setFocus();
  QTest::keyClicks(number, "01012345678");
  Settle();
  EXPECT_EQ(Model(IDC_EDIT_NUMBER).text, u"01012345678");
  EXPECT_EQ(Model(IDC_EDIT_NUMBER).selection.caret, 11u);
  QTest::keyClick(number, Qt::Key_Left, Qt::ShiftModifier);
  QTest::keyClick(number, Qt::Key_Left, Qt::ShiftModifier);
  Settle();
  EXPECT_EQ(Model(IDC_EDIT_NUMBER).selection.anchor, 11u);
  EXPECT_EQ(Model(IDC_EDIT_NUMBER).selection.caret, 9u);
  QTest::keyClick(number, Qt::Key_Backspace);
  Settle();
  EXPECT_EQ(Model(IDC_EDIT_NUMBER).text, u"010123456");
  EXPECT_EQ(number->text(), QStringLiteral("010123456"));
}

TEST_F(DialogInputTest, AMessageBoxTakesTheInputWhileTimersKeepTicking) {
  StartShown("[drivers]\nETC1 = \"absent\"\n[serial]\nCOM2 = \"sim\"\n");
  testing_support::RecordingProcedure ticking;
  const HWND other =
      platform::CreateDialogFromTemplate(testing_support::SmallDialogTemplate(), nullptr, &ticking);
  SetTimer(other, 7, 1000, nullptr);
  Tap(IDC_RADIO_COM2);

  // While the box is open: a tap on the dialog does nothing, five virtual seconds pass, then the
  // person presses OK.
  QString box_text, box_title;
  bool tap_refused = false;
  QTimer person;
  QObject::connect(&person, &QTimer::timeout, [&] {
    auto* box = dynamic_cast<ui::MessageBoxWindow*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    person.stop();
    box_text = box->text();
    box_title = box->caption();
    QTest::mouseClick(Widget(IDC_RADIO_COM6), Qt::LeftButton);
    loop.AdvanceBy(5s);
    tap_refused = !Model(IDC_RADIO_COM6).checked;
    QTest::mouseClick(box->ok_button(), Qt::LeftButton);
  });
  person.start(0);
  Tap(IDC_BTN_OPEN);

  EXPECT_EQ(box_text, QStringLiteral("Navi IO Send CreateFile Error"));
  EXPECT_EQ(box_title, QStringLiteral("quorvane"));
  EXPECT_TRUE(tap_refused);
  int ticks = 0;
  for (const auto& message : ticking.received) ticks += message.message == WM_TIMER ? 1 : 0;
  EXPECT_EQ(ticks, 5);
  // The open went on after the box: the port is open and the query was written.
  EXPECT_EQ(LogText(), L"COM2 CLOSE success \r\nCOM2 OPEN!! \r\n");
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  DestroyWindow(other);
}

}  // namespace
