#include "platform/terminal/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/ports/board.h"
#include "platform/ports/window_model.h"
#include "platform/terminal/message_loop.h"
#include "platform/terminal/utf16.h"
#include "testing/recording_front_end.h"
#include "testing/test_dialog.h"

namespace {

using namespace testing_support;

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog = platform::CreateDialogFromTemplate(SmallDialogTemplate(), nullptr, &procedure);
    edit = GetDlgItem(dialog, kEditId);
    ASSERT_NE(edit, nullptr);
    procedure.received.clear();
  }
  void TearDown() override {
    if (IsWindow(dialog)) DestroyWindow(dialog);
  }

  void Append(LPCWSTR text) {
    SendMessageW(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text));
  }
  std::wstring Text() const { return platform::FromUtf16(platform::FindWindowState(edit)->text); }
  bool Checked(int id) const {
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  std::vector<WPARAM> Commands() const {
    std::vector<WPARAM> commands;
    for (const auto& message : procedure.received) {
      if (message.message == WM_COMMAND) commands.push_back(message.wParam);
    }
    return commands;
  }

  platform::VirtualClock clock;
  platform::MessageLoop loop{clock};
  RecordingFrontEnd front_end;
  RecordingProcedure procedure;
  HWND dialog = nullptr;
  HWND edit = nullptr;
};

TEST_F(WindowTest, AppendsFollowOneAnotherAndTextWithoutLineEndContinuesTheLine) {
  Append(L"COM2 OPEN!! \r\n");
  Append(L"aaaaa w:3>");
  Append(L"\r\ncom[2] recvdatasize:3\r\n");
  EXPECT_EQ(Text(), L"COM2 OPEN!! \r\naaaaa w:3>\r\ncom[2] recvdatasize:3\r\n");
}

TEST_F(WindowTest, AMovedCaretOrASelectionReceivesTheNextAppendsFromThereOn) {
  Append(L"first\r\nsecond\r\n");
  SendMessageW(edit, EM_SETSEL, 0, 5);  // "first" selected
  Append(L"1st");
  Append(L"!");
  EXPECT_EQ(Text(), L"1st!\r\nsecond\r\n");
  SendMessageW(edit, EM_SETSEL, 3, 3);  // the caret alone
  Append(L"+");
  EXPECT_EQ(Text(), L"1st+!\r\nsecond\r\n");
}

TEST_F(WindowTest, ClearDeletesOnlyASelection) {
  Append(L"abcdef");
  SendMessageW(edit, WM_CLEAR, 0, 0);
  EXPECT_EQ(Text(), L"abcdef");
  SendMessageW(edit, EM_SETSEL, 4, 1);  // backwards selection of "bcd"
  SendMessageW(edit, WM_CLEAR, 0, 0);
  EXPECT_EQ(Text(), L"aef");
  Append(L"X");
  EXPECT_EQ(Text(), L"aXef");
}

TEST_F(WindowTest, SelectionPositionsAreClampedAndMinusOneMeansEndOrDeselect) {
  Append(L"hello");
  SendMessageW(edit, EM_SETSEL, 0, static_cast<LPARAM>(-1));
  DWORD start = 99, end = 99;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 5u);
  SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);  // deselect, caret stays at 5
  Append(L"!");
  EXPECT_EQ(Text(), L"hello!");
  SendMessageW(edit, EM_SETSEL, 100, 200);
  Append(L"?");
  EXPECT_EQ(Text(), L"hello!?");
}

TEST_F(WindowTest, SettingTheWholeTextPutsTheCaretAtItsStart) {
  Append(L"old lines\r\n");
  SetWindowTextW(edit, L"Copy Completed");
  Append(L"next ");
  EXPECT_EQ(Text(), L"next Copy Completed");
  WCHAR buffer[8];
  EXPECT_EQ(GetWindowTextW(edit, buffer, 8), 7);
  EXPECT_STREQ(buffer, L"next Co");
  EXPECT_EQ(GetWindowTextLengthW(edit), 19);
}

TEST_F(WindowTest, AllRadioButtonsUpToTheNextGroupStyleFormOneGroup) {
  SendMessageW(GetDlgItem(dialog, kRadioA), BM_CLICK, 0, 0);
  SendMessageW(GetDlgItem(dialog, kRadioD), BM_CLICK, 0, 0);
  EXPECT_TRUE(Checked(kRadioA));
  EXPECT_TRUE(Checked(kRadioD));
  // C sits behind a group box, yet shares A's group: checking it clears A, not D.
  SendMessageW(GetDlgItem(dialog, kRadioC), BM_CLICK, 0, 0);
  EXPECT_FALSE(Checked(kRadioA));
  EXPECT_TRUE(Checked(kRadioC));
  EXPECT_TRUE(Checked(kRadioD));
  SendMessageW(GetDlgItem(dialog, kRadioE), BM_CLICK, 0, 0);
  EXPECT_FALSE(Checked(kRadioD));
  EXPECT_TRUE(Checked(kRadioC));
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{
                            MAKEWPARAM(kRadioA, BN_CLICKED), MAKEWPARAM(kRadioD, BN_CLICKED),
                            MAKEWPARAM(kRadioC, BN_CLICKED), MAKEWPARAM(kRadioE, BN_CLICKED)}));
}

TEST_F(WindowTest, AClickOnADisabledDialogDoesNothing) {
  EnableWindow(dialog, FALSE);
  SendMessageW(GetDlgItem(dialog, kButtonId), BM_CLICK, 0, 0);
  SendMessageW(GetDlgItem(dialog, kRadioA), BM_CLICK, 0, 0);
  EXPECT_TRUE(Commands().empty());
  EXPECT_FALSE(Checked(kRadioA));
  EnableWindow(dialog, TRUE);
  SendMessageW(GetDlgItem(dialog, kButtonId), BM_CLICK, 0, 0);
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{MAKEWPARAM(kButtonId, BN_CLICKED)}));
}

TEST_F(WindowTest, DestroyingTheDialogTellsItFirstEndsItsTimersAndKillsItsHandles) {
  SetTimer(dialog, 2, 1000, nullptr);
  DestroyWindow(dialog);
  ASSERT_FALSE(procedure.received.empty());
  EXPECT_EQ(procedure.received.front().message, WM_DESTROY);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(IsWindow(edit));
  EXPECT_EQ(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  procedure.received.clear();
  loop.AdvanceBy(std::chrono::seconds(5));
  EXPECT_TRUE(procedure.received.empty());
}

TEST_F(WindowTest, AMessageBoxDisablesItsOwnerUntilAnswered) {
  bool owner_enabled_meanwhile = true;
  front_end.answer = [&](const ShownMessageBox&, std::function<void(int)> dismiss) {
    owner_enabled_meanwhile = IsWindowEnabled(dialog) != FALSE;
    dismiss(IDOK);
  };
  EXPECT_EQ(MessageBoxW(dialog, L"c:2", L"quorvane", MB_OK), IDOK);
  EXPECT_FALSE(owner_enabled_meanwhile);
  EXPECT_TRUE(IsWindowEnabled(dialog));
  ASSERT_EQ(front_end.message_boxes.size(), 1u);
  EXPECT_EQ(front_end.message_boxes[0].text, L"c:2");
  EXPECT_EQ(front_end.message_boxes[0].caption, L"quorvane");
}

TEST_F(WindowTest, AMessageBoxFromAWorkerThreadIsShownByTheUserInterfaceLoop) {
  std::atomic<int> result{0};
  std::thread worker([&] {
    result = MessageBoxW(nullptr, L"Failed to create event for thread!", L"com Error!",
                         MB_ICONEXCLAMATION);
  });
  ASSERT_TRUE(loop.RunUntilOrTimeout([&] { return !front_end.message_boxes.empty(); },
                                     std::chrono::seconds(10)));
  worker.join();
  EXPECT_EQ(result.load(), IDOK);
  ASSERT_EQ(front_end.message_boxes.size(), 1u);
  EXPECT_EQ(front_end.message_boxes[0].caption, L"com Error!");
}

}  // namespace

// An edit control on a board whose edit controls hold 16 units: past them the oldest lines go,
// down to 14 units (seven eighths).
class EditCapacityTest : public WindowTest {
 protected:
  void SetUp() override {
    platform::Board board;
    board.edit_control_capacity = 16;
    platform::InstallBoard(std::move(board));
    WindowTest::SetUp();
  }
  void TearDown() override {
    WindowTest::TearDown();
    platform::InstallBoard({});
  }

  platform::Selection Selected() const { return platform::FindWindowState(edit)->selection; }
};

TEST_F(EditCapacityTest, TheOldestWholeLinesGoAndTheCaretMovesWithTheText) {
  struct Case {
    const wchar_t* before;
    std::size_t caret;  // where the caret is put before the append
    const wchar_t* appended;
    const wchar_t* kept;
    std::size_t caret_after;
  };
  const Case cases[] = {
      {L"line1\r\nline2\r\n", 14, L"line3\r\n", L"line2\r\nline3\r\n", 14},
      {L"a\nb\rc\r\nd\r\n", 10, L"0123456789", L"d\r\n0123456789", 13},
      {L"line1\r\nline2\r\n", 3, L"insert", L"line2\r\n", 0},  // the caret went with its line
      {L"line1\r\nline2\r\n", 10, L"++++", L"lin++++e2\r\n", 7},
      // A line longer than the capacity keeps its newest part.
      {L"", 0, L"0123456789abcdefghij", L"6789abcdefghij", 14},
      {L"0123456789", 10, L"abcdefghij\r\n", L"89abcdefghij\r\n", 14},
  };
  for (const Case& c : cases) {
    SetWindowTextW(edit, c.before);
    SendMessageW(edit, EM_SETSEL, c.caret, static_cast<LPARAM>(c.caret));
    Append(c.appended);
    EXPECT_EQ(Text(), c.kept) << c.before << "|" << c.appended;
    EXPECT_EQ(Selected().anchor, c.caret_after) << c.before << "|" << c.appended;
    EXPECT_EQ(Selected().caret, c.caret_after) << c.before << "|" << c.appended;
    // A front end following the notifications alone holds the same text.
    EXPECT_EQ(front_end.followed_texts[edit], platform::FindWindowState(edit)->text);
  }
}

TEST_F(EditCapacityTest, SettingATextLongerThanTheCapacityKeepsItsNewestLines) {
  SetWindowTextW(edit, L"first\r\nsecond\r\nthird\r\n");
  EXPECT_EQ(Text(), L"third\r\n");
  EXPECT_EQ(Selected().caret, 0u);
  EXPECT_EQ(front_end.followed_texts[edit], u"third\r\n");
}

TEST_F(EditCapacityTest, ATrimmedPaneReadsBackAsItNowStands) {
  for (int i = 0; i < 100; ++i) Append((L"line" + std::to_wstring(i % 10) + L"\r\n").c_str());
  EXPECT_EQ(GetWindowTextLengthW(edit), 14);
  WCHAR whole[32];
  EXPECT_EQ(GetWindowTextW(edit, whole, 32), 14);
  EXPECT_STREQ(whole, L"line8\r\nline9\r\n");
  WCHAR part[5];
  EXPECT_EQ(GetWindowTextW(edit, part, 5), 4);
  EXPECT_STREQ(part, L"line");
}

TEST_F(WindowTest, CharactersBeyondTheBasicPlaneTakeTwoUnitsAsOnTheTerminal) {
  const std::wstring text = {L'a', static_cast<wchar_t>(0x1F600), L'b'};
  Append(text.c_str());
  EXPECT_EQ(platform::FindWindowState(edit)->text, u"a\U0001F600b");
  EXPECT_EQ(GetWindowTextLengthW(edit), 4);
  SendMessageW(edit, EM_SETSEL, 1, 3);  // the pair, as positions count it
  SendMessageW(edit, WM_CLEAR, 0, 0);
  EXPECT_EQ(Text(), L"ab");
  WCHAR buffer[8];
  Append(text.c_str());
  EXPECT_EQ(GetWindowTextW(edit, buffer, 8), 5);
  EXPECT_EQ(std::wstring(buffer), L"aa\U0001F600bb");
}

TEST_F(WindowTest, FindWindowFindsALiveTopLevelWindowByItsWholeText) {
  SetWindowTextW(dialog, L"QUORVANE");
  const struct {
    LPCWSTR class_name;
    LPCWSTR window_name;
    bool finds_dialog;
  } cases[] = {
      {nullptr, L"QUORVANE", true},
      {nullptr, nullptr, true},      // a null name matches any text
      {nullptr, L"test", false},     // the template's caption, replaced
      {nullptr, L"QUORVAN", false},  // the whole text or nothing
      {nullptr, L"quorvane", false},
      {nullptr, L"push", false},  // controls are no top-level windows
      {L"Dialog", L"QUORVANE", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindWindowW(c.class_name, c.window_name), c.finds_dialog ? dialog : nullptr)
        << "case " << &c - cases;
  }
  DestroyWindow(dialog);
  EXPECT_EQ(FindWindowW(nullptr, L"QUORVANE"), nullptr);
}

TEST_F(WindowTest, FindWindowFromAnotherThreadSeesTheTextWhileItChanges) {
  std::atomic<bool> renaming{true};
  std::thread finder([&] {
    while (renaming) {
      const HWND found = FindWindowW(nullptr, L"QUORVANE");
      EXPECT_TRUE(found == nullptr || found == dialog);
    }
  });
  for (int i = 0; i < 2000; ++i) SetWindowTextW(dialog, i % 2 == 0 ? L"QUORVANE" : L"other");
  SetWindowTextW(dialog, L"QUORVANE");
  renaming = false;
  finder.join();
  EXPECT_EQ(FindWindowW(nullptr, L"QUORVANE"), dialog);
}
