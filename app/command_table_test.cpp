// What must hold of the dialog's command table whatever its rows: every entry is the one the
// framework finds for its message, every control a person can tap has a handler, and the base
// dialog's table follows for the caption's buttons. The rows themselves are the table's own
// business (app/quorvane_dlg_map.cpp); the process tests press every one of them.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "app/quorvane_dlg.h"
#include "platform/terminal/resources.h"
#include "res/install_resources.h"
#include "res/resource.h"

namespace {

const MessageMap& DialogTable() { return *CQuorvaneDlg::GetThisMessageMap(); }

// A click on control `id` as the framework receives it, or the message itself for the others.
WPARAM WParamFor(const MessageMapEntry& entry) {
  return entry.message == WM_COMMAND ? MAKEWPARAM(entry.id, BN_CLICKED) : 0;
}

TEST(CommandTable, EveryEntryIsTheOneItsMessageFinds) {
  const MessageMap& map = DialogTable();
  EXPECT_EQ(map.entries.size(), 60u);
  std::set<std::pair<UINT, UINT>> seen;
  for (const MessageMapEntry& entry : map.entries) {
    SCOPED_TRACE(std::string(entry.handler_name) + " for id " + std::to_string(entry.id));
    EXPECT_TRUE(seen.insert({entry.message, entry.id}).second) << "entered twice";
    EXPECT_TRUE(entry.invoke);
    EXPECT_EQ(map.Find(entry.message, WParamFor(entry)), &entry) << "shadowed by an earlier entry";
  }
}

TEST(CommandTable, EveryButtonOfTheDialogHasAHandler) {
  res::InstallResources();
  const platform::DialogTemplate dialog = platform::LoadDialogTemplate(IDD_QUORVANE_DIALOG);
  int tappable = 0;
  for (const platform::DialogItem& item : dialog.items) {
    if (item.kind != platform::ControlKind::PushButton &&
        item.kind != platform::ControlKind::AutoRadioButton) {
      continue;
    }
    ++tappable;
    const MessageMapEntry* entry = DialogTable().Find(WM_COMMAND, MAKEWPARAM(item.id, BN_CLICKED));
    ASSERT_NE(entry, nullptr) << "control " << item.id << " has no handler";
    EXPECT_NE(std::string(entry->handler_name), "OnBnClickedNothing") << "control " << item.id;
  }
  EXPECT_GT(tappable, 0);
}

TEST(CommandTable, TheDialogTableComesBeforeTheBaseDialogTable) {
  const MessageMap& map = DialogTable();
  EXPECT_EQ(map.base, CDialog::GetThisMessageMap());
  // The base table ends the modal run for the caption's OK and close buttons.
  EXPECT_NE(map.Find(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)), nullptr);
  EXPECT_NE(map.Find(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)), nullptr);
  // A notification other than a click does not reach a click entry.
  EXPECT_EQ(map.Find(WM_COMMAND, MAKEWPARAM(1006, 1)), nullptr);
}

}  // namespace
