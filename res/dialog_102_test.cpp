// Dialog template 102 as the console loads it: what must hold of it whatever its layout, which
// the screenshot test holds (ui/qt/testdata/dialog_after_start.png).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
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

constexpr ControlKind kRadioKind = ControlKind::AutoRadioButton;
constexpr ControlKind kGroupKind = ControlKind::GroupBox;
constexpr ControlKind kEditKind = ControlKind::Edit;

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

TEST_F(Dialog102Test, EveryItemLiesInsideTheDialogAndNoIdComesTwice) {
  std::set<int> ids;
  for (const DialogItem& item : dialog_.items) {
    SCOPED_TRACE("id " + std::to_string(item.id) + " at " + std::to_string(item.x) + "," +
                 std::to_string(item.y));
    EXPECT_GE(item.x, 0);
    EXPECT_GE(item.y, 0);
    EXPECT_GT(item.cx, 0);
    EXPECT_GT(item.cy, 0);
    EXPECT_LE(item.x + item.cx, dialog_.cx);
    EXPECT_LE(item.y + item.cy, dialog_.cy);
    if (item.id != -1) {
      EXPECT_TRUE(ids.insert(item.id).second) << "id given twice";
    }
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
  EXPECT_EQ(platform::ToUtf8(caption_of(IDC_BTN_VACANT_ON)), "빈차 ON");
}

}  // namespace
