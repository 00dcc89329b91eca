// Dialog template 102 as the console loads it, checked item by item against the layout the
// console's commands and front ends are written for.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/terminal/code_page.h"
#include "platform/terminal/resources.h"
#include "res/install_resources.h"
#include "res/resource.h"

namespace {

using platform::ControlKind;
using platform::DialogItem;
using platform::DialogTemplate;

constexpr DWORD kPush = BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kRadio = BS_AUTORADIOBUTTON;
constexpr DWORD kGroup = BS_GROUPBOX;
constexpr DWORD kLogPane =
    ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | WS_BORDER | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kNumberField = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;

struct ExpectedItem {
  int id;
  ControlKind kind;
  const char* caption;  // UTF-8
  int x, y, cx, cy;
  DWORD style;
};

constexpr ControlKind kPushKind = ControlKind::PushButton;
constexpr ControlKind kRadioKind = ControlKind::AutoRadioButton;
constexpr ControlKind kGroupKind = ControlKind::GroupBox;
constexpr ControlKind kEditKind = ControlKind::Edit;

// In template order: the log pane, the port row, then each group box followed by its controls.
const ExpectedItem kExpectedItems[] = {
    {IDC_EDIT_LOG, kEditKind, "", 6, 5, 129, 265, kLogPane},
    {IDC_BTN_OPEN, kPushKind, "1.컴포트 열기", 142, 7, 53, 18, kPush},
    {IDC_BTN_CLOSE, kPushKind, "3.컴포트 닫기", 212, 7, 50, 18, kPush},
    {IDC_BTN_UPDATE, kPushKind, "업데이트", 276, 7, 46, 18, kPush},

    {-1, kGroupKind, "2.컴포트 선택", 141, 27, 188, 49, kGroup},
    {IDC_RADIO_COM1, kRadioKind, "COM1", 151, 37, 32, 13, kRadio},
    {IDC_RADIO_COM2, kRadioKind, "COM2", 190, 37, 32, 13, kRadio},
    {IDC_RADIO_COM3, kRadioKind, "COM3", 228, 37, 32, 13, kRadio},
    {IDC_RADIO_COM4, kRadioKind, "COM4", 151, 55, 34, 13, kRadio},
    {IDC_RADIO_COM5, kRadioKind, "COM5", 191, 55, 32, 13, kRadio},
    {IDC_RADIO_COM6, kRadioKind, "COM6", 229, 55, 33, 13, kRadio},
    {IDC_BTN_SEND, kPushKind, "SEND", 274, 52, 49, 18, kPush},

    {-1, kGroupKind, "CDMA", 141, 79, 260, 158, kGroup},
    {IDC_EDIT_NUMBER, kEditKind, "", 151, 89, 169, 15, kNumberField},
    {IDC_BTN_KEY1, kPushKind, "1", 150, 111, 48, 23, kPush},
    {IDC_BTN_KEY2, kPushKind, "2", 211, 111, 48, 22, kPush},
    {IDC_BTN_KEY3, kPushKind, "3", 272, 110, 48, 22, kPush},
    {IDC_BTN_KEY4, kPushKind, "4", 150, 145, 48, 22, kPush},
    {IDC_BTN_KEY5, kPushKind, "5", 211, 145, 48, 22, kPush},
    {IDC_BTN_KEY6, kPushKind, "6", 273, 145, 47, 22, kPush},
    {IDC_BTN_KEY7, kPushKind, "7", 150, 177, 48, 23, kPush},
    {IDC_BTN_KEY8, kPushKind, "8", 210, 177, 49, 22, kPush},
    {IDC_BTN_KEY9, kPushKind, "9", 273, 177, 46, 22, kPush},
    {IDC_BTN_KEY0, kPushKind, "0", 150, 209, 48, 23, kPush},
    {IDC_BTN_DEL, kPushKind, "DEL", 210, 209, 109, 23, kPush},
    {IDC_BTN_REGISTER_MDN, kPushKind, "전화번호등록", 340, 87, 54, 22, kPush},
    {IDC_BTN_CALL, kPushKind, "전화걸기", 340, 114, 55, 20, kPush},
    {IDC_BTN_ANSWER, kPushKind, "전화받기", 340, 140, 55, 21, kPush},
    {IDC_BTN_HANG_UP, kPushKind, "전화끊기", 340, 165, 55, 20, kPush},
    {IDC_BTN_MODEM_POWER_ON, kPushKind, "Power On", 340, 189, 55, 20, kPush},
    {IDC_BTN_MODEM_POWER_OFF, kPushKind, "Power Off", 340, 213, 55, 21, kPush},

    {-1, kGroupKind, "ETC IO CTRL", 142, 237, 258, 33, kGroup},
    {IDC_RADIO_POWER_OFF, kRadioKind, "Power Off", 152, 251, 51, 13, kRadio},
    {IDC_RADIO_POWER_ON, kRadioKind, "Power On", 210, 251, 51, 13, kRadio},
    {IDC_RADIO_VACANT_CTRL, kRadioKind, "빈차제어", 268, 251, 51, 13, kRadio},
    {IDC_BTN_ETC_ON_OFF, kPushKind, "ON/OFF", 341, 247, 53, 18, kPush},

    {-1, kGroupKind, "Function", 335, 4, 66, 72, kGroup},
    {IDC_BTN_DMB, kPushKind, "DMB", 339, 14, 56, 18, kPush},
    {IDC_BTN_GPS_VIEWER, kPushKind, "GPSViewer", 339, 35, 56, 18, kPush},
    {IDC_BTN_SETTING, kPushKind, "Setting", 339, 56, 56, 17, kPush},

    {-1, kGroupKind, "예약/빈차", 406, 4, 44, 267, kGroup},
    {IDC_BTN_RESERVE_ON, kPushKind, "예약 ON", 410, 18, 36, 37, kPush},
    {IDC_BTN_BOARDING, kPushKind, "승차", 410, 64, 36, 37, kPush},
    {IDC_BTN_VACANT_ON, kPushKind, "빈차 ON", 410, 110, 36, 37, kPush},
    {IDC_BTN_ACTIVATION, kPushKind, "개통확인", 410, 192, 36, 37, kPush},
};

class Dialog102Test : public ::testing::Test {
 protected:
  const DialogTemplate dialog_ = [] {
    res::InstallResources();
    return platform::LoadDialogTemplate(IDD_QUORVANE_DIALOG);
  }();
};

TEST_F(Dialog102Test, DialogFrameIsThePopupWithCaptionOkButtonInShellFont) {
  EXPECT_EQ(dialog_.id, IDD_QUORVANE_DIALOG);
  EXPECT_EQ(dialog_.caption, L"e");
  EXPECT_EQ(dialog_.font_face, L"MS Shell Dlg");
  EXPECT_EQ(dialog_.font_points, 9);
  EXPECT_EQ(dialog_.cx, 457);
  EXPECT_EQ(dialog_.cy, 275);
  EXPECT_EQ(dialog_.style,
            WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
  EXPECT_EQ(dialog_.ex_style, WS_EX_APPWINDOW | WS_EX_CAPTIONOKBTN);
}

TEST_F(Dialog102Test, EveryItemHasItsIdKindCaptionRectangleAndStyleInOrder) {
  ASSERT_EQ(dialog_.items.size(), std::size(kExpectedItems));
  for (std::size_t i = 0; i < dialog_.items.size(); ++i) {
    const DialogItem& item = dialog_.items[i];
    const ExpectedItem& expected = kExpectedItems[i];
    SCOPED_TRACE("item " + std::to_string(i) + ", expected id " + std::to_string(expected.id));
    EXPECT_EQ(item.id, expected.id);
    EXPECT_EQ(item.kind, expected.kind);
    EXPECT_EQ(item.caption, platform::FromUtf8(expected.caption));
    EXPECT_EQ(item.x, expected.x);
    EXPECT_EQ(item.y, expected.y);
    EXPECT_EQ(item.cx, expected.cx);
    EXPECT_EQ(item.cy, expected.cy);
    EXPECT_EQ(item.style, expected.style);
  }
}

TEST_F(Dialog102Test, FortyControlsAndFiveGroupBoxesThatNobodyAddresses) {
  const auto group_boxes =
      std::count_if(dialog_.items.begin(), dialog_.items.end(),
                    [](const DialogItem& item) { return item.kind == kGroupKind; });
  EXPECT_EQ(group_boxes, 5);
  EXPECT_EQ(dialog_.items.size() - group_boxes, 40u);
  for (const DialogItem& item : dialog_.items) {
    EXPECT_EQ(item.id == -1, item.kind == kGroupKind) << "id " << item.id;
  }
}

// Without WS_GROUP anywhere, the platform treats all nine radio buttons as one group: checking an
// ETC choice clears the COM choice and the other way round.
TEST_F(Dialog102Test, NineRadioButtonsFormOneGroup) {
  int radios = 0;
  for (const DialogItem& item : dialog_.items) {
    EXPECT_EQ(item.style & WS_GROUP, 0u) << "id " << item.id;
    if (item.kind == kRadioKind) {
      ++radios;
      EXPECT_EQ(item.style & WS_TABSTOP, 0u) << "id " << item.id;
    }
  }
  EXPECT_EQ(radios, 9);
}

TEST_F(Dialog102Test, LogPaneAndNumberFieldAreTheOnlyEdits) {
  std::vector<int> edit_ids;
  for (const DialogItem& item : dialog_.items) {
    if (item.kind == kEditKind) edit_ids.push_back(item.id);
  }
  EXPECT_EQ(edit_ids, (std::vector<int>{IDC_EDIT_LOG, IDC_EDIT_NUMBER}));
}

// The captions come out exactly as the console's texts are written: the Hangul syllables
// themselves (as the compiler encodes them), and the same UTF-8 bytes when encoded back.
TEST_F(Dialog102Test, KoreanCaptionsSurviveTheRoundTripByteForByte) {
  const auto caption_of = [&](int id) {
    const auto found = std::find_if(dialog_.items.begin(), dialog_.items.end(),
                                    [id](const DialogItem& item) { return item.id == id; });
    return found == dialog_.items.end() ? std::wstring(L"<missing>") : found->caption;
  };
  EXPECT_EQ(caption_of(IDC_BTN_OPEN), L"1.컴포트 열기");
  EXPECT_EQ(caption_of(IDC_BTN_REGISTER_MDN), L"전화번호등록");
  EXPECT_EQ(caption_of(IDC_BTN_VACANT_ON), L"빈차 ON");
  EXPECT_EQ(caption_of(IDC_BTN_OPEN).size(), 8u);

  ASSERT_EQ(dialog_.items.size(), std::size(kExpectedItems));
  for (std::size_t i = 0; i < dialog_.items.size(); ++i) {
    EXPECT_EQ(platform::ToUtf8(dialog_.items[i].caption), kExpectedItems[i].caption)
        << "item " << i;
  }
}

}  // namespace
