#include "platform/ports/person_input.h"

#include <gtest/gtest.h>

#include "platform/terminal/message_loop.h"
#include "platform/terminal/window.h"
#include "testing/recording_front_end.h"
#include "testing/test_dialog.h"

namespace {

using platform::InputVerdict;
using platform::PersonAction;
using platform::Selecting;
using platform::Tap;
using platform::Typing;

constexpr int kNumber = 20;  // a plain edit control
constexpr int kLog = 21;     // read-only, as the console's log pane
constexpr int kPush = 22;
constexpr int kRadio = 23;
constexpr int kNoControl = 4242;

class PersonInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    using platform::ControlKind;
    dialog = platform::CreateDialogFromTemplate(
        testing_support::TestDialogTemplate(
            L"input", {{kNumber, ControlKind::Edit, L"", 5, 5, 60, 12, ES_AUTOHSCROLL},
                       {kLog, ControlKind::Edit, L"", 5, 20, 60, 40, ES_MULTILINE | ES_READONLY},
                       {kPush, ControlKind::PushButton, L"push", 70, 5, 40, 14, BS_PUSHBUTTON},
                       {kRadio, ControlKind::AutoRadioButton, L"r", 70, 20, 40, 10, 0}}),
        nullptr, &procedure);
    procedure.received.clear();
  }
  void TearDown() override {
    if (IsWindow(dialog)) DestroyWindow(dialog);
  }

  HWND Control(int id) const { return GetDlgItem(dialog, id); }
  const platform::WindowState& State(int id) const {
    return *platform::FindWindowState(Control(id));
  }
  std::size_t Commands() const {
    std::size_t commands = 0;
    for (const auto& message : procedure.received) commands += message.message == WM_COMMAND;
    return commands;
  }

  platform::VirtualClock clock;
  platform::MessageLoop loop{clock};
  testing_support::RecordingFrontEnd front_end;
  testing_support::RecordingProcedure procedure;
  HWND dialog = nullptr;
};

struct Refused {
  int id;
  PersonAction action;
  InputVerdict verdict;
  const char* text;
};

TEST_F(PersonInputTest, InputThatDoesNotFitTheControlIsRefusedWithItsReasonAndChangesNothing) {
  EnableWindow(Control(kRadio), FALSE);
  const Refused cases[] = {
      {kNumber, Tap{}, InputVerdict::NotAButton, "control 20 is not a button"},
      {kPush, Typing{L"x", {}}, InputVerdict::NotAnEdit, "control 22 is not an edit control"},
      {kPush, Selecting{0, 1}, InputVerdict::NotAnEdit, "control 22 is not an edit control"},
      {kLog, Typing{L"x", {}}, InputVerdict::ReadOnly, "control 21 is read-only"},
      {kRadio, Tap{}, InputVerdict::Disabled, "control 23 is disabled"},
      {kNoControl, Tap{}, InputVerdict::NoSuchControl, "no control 4242 in the dialog"},
      {kPush, platform::Close{}, InputVerdict::NotADialog, "control 22 is not a dialog"},
  };
  for (const Refused& refused : cases) {
    const InputVerdict verdict = platform::TakePersonInput(dialog, refused.id, refused.action);
    EXPECT_EQ(verdict, refused.verdict) << refused.text;
    EXPECT_EQ(platform::RefusalText(verdict, refused.id), refused.text);
  }
  EXPECT_EQ(Commands(), 0u);
  EXPECT_EQ(State(kLog).text, u"");
  EXPECT_FALSE(State(kRadio).checked);
  EXPECT_TRUE(IsWindow(Control(kPush)));
}

TEST_F(PersonInputTest, WhileAMessageBoxIsOpenAllInputIsRefusedBeforeAnythingElseIsAsked) {
  // With an owner the dialog is disabled meanwhile; without one it is not, yet takes no input.
  for (const HWND owner : {dialog, HWND{nullptr}}) {
    std::vector<InputVerdict> meanwhile;
    front_end.answer = [&](const testing_support::ShownMessageBox&, auto dismiss) {
      for (const int id : {kPush, kNumber, kLog, kNoControl}) {
        meanwhile.push_back(platform::TakePersonInput(dialog, id, Tap{}));
      }
      meanwhile.push_back(platform::TakePersonInput(Control(kLog), Selecting{0, 0}));
      meanwhile.push_back(platform::TakePersonInput(dialog, platform::Command{IDOK}));
      dismiss(IDOK);
    };
    MessageBoxW(owner, L"busy", L"test", MB_OK);
    EXPECT_EQ(meanwhile, std::vector<InputVerdict>(6, InputVerdict::MessageBoxOpen));
    EXPECT_EQ(Commands(), 0u);
    EXPECT_EQ(platform::TakePersonInput(dialog, kPush, Tap{}), InputVerdict::Taken);
    procedure.received.clear();
  }
  EXPECT_EQ(platform::RefusalText(InputVerdict::MessageBoxOpen, kPush), "a message box is open");
}

TEST_F(PersonInputTest, ADisabledDialogRefusesInputForItselfAndEveryControl) {
  EnableWindow(dialog, FALSE);
  EXPECT_EQ(platform::TakePersonInput(Control(kRadio), Tap{}), InputVerdict::DialogDisabled);
  EXPECT_EQ(platform::TakePersonInput(dialog, kNoControl, Tap{}), InputVerdict::DialogDisabled);
  EXPECT_EQ(platform::TakePersonInput(dialog, platform::Command{IDOK}),
            InputVerdict::DialogDisabled);
  EXPECT_EQ(platform::TakePersonInput(dialog, platform::Close{}), InputVerdict::DialogDisabled);
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_FALSE(State(kRadio).checked);
  EXPECT_EQ(Commands(), 0u);
}

TEST_F(PersonInputTest, HandlesThatNameNoLiveWindowAreRefused) {
  const HWND push = Control(kPush);
  DestroyWindow(dialog);
  for (const HWND gone : {HWND{nullptr}, reinterpret_cast<HWND>(0x7FFF'FFFF), push, dialog}) {
    EXPECT_EQ(platform::TakePersonInput(gone, Tap{}), InputVerdict::WindowGone);
  }
  EXPECT_EQ(platform::TakePersonInput(dialog, kPush, Tap{}), InputVerdict::WindowGone);
}

TEST_F(PersonInputTest, TakenInputReachesTheDialogAsTheTerminalDeliversIt) {
  EXPECT_EQ(platform::TakePersonInput(Control(kRadio), Tap{}), InputVerdict::Taken);
  EXPECT_TRUE(State(kRadio).checked);
  EXPECT_EQ(platform::TakePersonInput(dialog, platform::Command{IDOK}), InputVerdict::Taken);
  ASSERT_EQ(Commands(), 2u);
  EXPECT_EQ(procedure.received.back().wParam, MAKEWPARAM(IDOK, BN_CLICKED));
  EXPECT_EQ(procedure.received.back().lParam, 0);

  // Without a selection the caret stands at the start of the new text, as after WM_SETTEXT.
  EXPECT_EQ(platform::TakePersonInput(dialog, kNumber, Typing{L"0101234", {}}),
            InputVerdict::Taken);
  EXPECT_EQ(State(kNumber).text, u"0101234");
  EXPECT_EQ(State(kNumber).selection.caret, 0u);
  EXPECT_EQ(platform::TakePersonInput(dialog, kLog, Selecting{0, 0}), InputVerdict::Taken);

  EXPECT_EQ(platform::TakePersonInput(dialog, platform::Close{}), InputVerdict::Taken);
  EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(PersonInputTest, CaretAndSelectionAreClampedToTheTextAndMinusOneKeepsItsMeaning) {
  struct Case {
    PersonAction action;
    std::size_t anchor, caret;
  };
  const Case cases[] = {
      {Typing{L"hello", platform::Selection{2, 99}}, 2, 5},
      {Selecting{1, 3}, 1, 3},
      {Selecting{-1, 0}, 3, 3},  // the selection dropped, the caret kept
      {Selecting{0, -1}, 0, 5},  // to the end of the text
      {Selecting{9, 4}, 5, 4},
  };
  for (const Case& step : cases) {
    ASSERT_EQ(platform::TakePersonInput(Control(kNumber), step.action), InputVerdict::Taken);
    EXPECT_EQ(State(kNumber).selection.anchor, step.anchor);
    EXPECT_EQ(State(kNumber).selection.caret, step.caret);
  }
}

}  // namespace
