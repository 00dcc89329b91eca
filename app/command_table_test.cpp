// The dialog's command table against the console's full table of 60 entries: each with its
// message, id and handler, in the order the framework scans them.
#include <gtest/gtest.h>

#include <string>

#include "app/quorvane_dlg.h"

namespace {

constexpr UINT WM_COMM_READ = WM_USER + 1;

struct Row {
  UINT message;
  UINT id;
  const char* handler;
};

constexpr Row kFullTable[] = {
    {WM_COMMAND, 1000, "OnBnClickedBtnDmb"},
    {WM_COMMAND, 1001, "OnBnClickedBtnAvPlayer"},
    {WM_COMMAND, 1002, "OnBnClickedBtnRearCamera"},
    {WM_COMMAND, 1003, "OnBnClickedBtnGpsViewer"},
    {WM_COMMAND, 1004, "OnBnClickedBtnSetting"},
    {WM_COMMAND, 1005, "OnBnClickedBtnUtis"},
    {WM_COMMAND, 1006, "OnBnClickedExit"},
    {WM_TIMER, 0, "OnTimer"},
    {WM_COMMAND, 1007, "OnBnClickedBtnOpen"},
    {WM_COMMAND, 1009, "OnBnClickedBtnSend"},
    {WM_COMMAND, 1008, "OnBnClickedBtnClose"},
    {WM_COMMAND, 1011, "OnBnClickedRadioCom2"},
    {WM_COMMAND, 1012, "OnBnClickedRadioCom3"},
    {WM_COMMAND, 1013, "OnBnClickedRadioCom4"},
    {WM_COMMAND, 1014, "OnBnClickedRadioCom5"},
    {WM_COMMAND, 1015, "OnBnClickedRadioCom6"},
    {WM_COMM_READ, 0, "OnCommRead"},
    {WM_COMMAND, 1016, "OnBnClickedBtnKey1"},
    {WM_COMMAND, 1019, "OnBnClickedBtnKey2"},
    {WM_COMMAND, 1020, "OnBnClickedBtnKey3"},
    {WM_COMMAND, 1021, "OnBnClickedBtnKey4"},
    {WM_COMMAND, 1022, "OnBnClickedBtnKey5"},
    {WM_COMMAND, 1023, "OnBnClickedBtnKey6"},
    {WM_COMMAND, 1024, "OnBnClickedBtnKey7"},
    {WM_COMMAND, 1025, "OnBnClickedBtnKey8"},
    {WM_COMMAND, 1026, "OnBnClickedBtnKey9"},
    {WM_COMMAND, 1027, "OnBnClickedBtnKey0"},
    {WM_COMMAND, 1028, "OnBnClickedBtnDel"},
    {WM_COMMAND, 1044, "OnBnClickedBtnCall"},
    {WM_COMMAND, 1046, "OnBnClickedBtnAnswer"},
    {WM_COMMAND, 1047, "OnBnClickedBtnHangUp"},
    {WM_COMMAND, 1048, "OnBnClickedBtnVolume"},
    {WM_COMMAND, 1049, "OnBnClickedBtnMicGain"},
    {WM_COMMAND, 1050, "OnBnClickedRadioCom1"},
    {WM_COMMAND, 1033, "OnBnClickedBtnEtcOnOff"},
    {WM_COMMAND, 1051, "OnBnClickedRadio1051"},
    {WM_COMMAND, 1018, "OnBnClickedRadio1018"},
    {WM_COMMAND, 1029, "OnBnClickedRadioPowerOff"},
    {WM_COMMAND, 1030, "OnBnClickedRadioPowerOn"},
    {WM_COMMAND, 1031, "OnBnClickedRadio1031"},
    {WM_COMMAND, 1032, "OnBnClickedRadio1032"},
    {WM_COMMAND, 1034, "OnBnClickedBtnEasRead"},
    {WM_COMMAND, 1035, "OnBnClickedBtnIeSample"},
    {WM_COMMAND, 1036, "OnBnClickedNothing"},
    {WM_DESTROY, 0, "OnDestroy"},
    {WM_COMMAND, 1037, "OnBnClickedRadioComNone"},
    {WM_COMMAND, 1041, "OnBnClickedRwTest"},
    {WM_COMMAND, 1042, "OnBnClickedNothing"},
    {WM_COMMAND, 1055, "OnBnClickedBtnUpdate"},
    {WM_COMMAND, 1056, "OnBnClickedMtrCycleStop"},
    {WM_COMMAND, 1057, "OnBnClickedNothing"},
    {WM_COMMAND, 1058, "OnBnClickedBtnModemPowerOn"},
    {WM_COMMAND, 1059, "OnBnClickedBtnModemPowerOff"},
    {WM_COMMAND, 1060, "OnBnClickedMdnCycleStart"},
    {WM_COMMAND, 1061, "OnBnClickedBtnRegisterMdn"},
    {WM_COMMAND, 1062, "OnBnClickedRadioVacantCtrl"},
    {WM_COMMAND, 1070, "OnBnClickedBtnReserveOn"},
    {WM_COMMAND, 1071, "OnBnClickedBtnBoarding"},
    {WM_COMMAND, 1072, "OnBnClickedBtnVacantOn"},
    {WM_COMMAND, 1073, "OnBnClickedBtnActivation"},
};

std::string Describe(UINT message, UINT id, const char* handler) {
  return "message " + std::to_string(message) + " id " + std::to_string(id) + " " + handler;
}

TEST(CommandTable, FullTableHasSixtyEntries) { EXPECT_EQ(std::size(kFullTable), 60u); }

TEST(CommandTable, TheDialogsTableIsTheFullTableInItsOrder) {
  const MessageMap* map = CQuorvaneDlg::GetThisMessageMap();
  ASSERT_EQ(map->entries.size(), std::size(kFullTable));
  for (std::size_t row = 0; row < std::size(kFullTable); ++row) {
    const MessageMapEntry& entry = map->entries[row];
    EXPECT_EQ(Describe(entry.message, entry.id, entry.handler_name),
              Describe(kFullTable[row].message, kFullTable[row].id, kFullTable[row].handler))
        << "row " << row;
  }
}

TEST(CommandTable, TheDialogTableComesBeforeTheBaseDialogTable) {
  const MessageMap* map = CQuorvaneDlg::GetThisMessageMap();
  EXPECT_EQ(map->base, CDialog::GetThisMessageMap());
  // The base table ends the modal run for the caption's OK and close buttons.
  EXPECT_NE(map->Find(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)), nullptr);
  EXPECT_NE(map->Find(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)), nullptr);
  // A notification other than a click does not reach a click entry.
  EXPECT_EQ(map->Find(WM_COMMAND, MAKEWPARAM(1006, 1)), nullptr);
}

}  // namespace
