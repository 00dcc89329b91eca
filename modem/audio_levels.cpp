// The modem's audio levels: each press of the speaker volume or microphone gain command steps its
// level on, sets the new level in the modem and at once asks the modem for the level it holds.
// The modem's answers come back through the serial terminal's receive path; nothing here waits
// for them.
#include "app/quorvane_dlg.h"

namespace {

// The levels last sent, for the whole run of the program.
int g_nVolumeLevel = 0;
int g_nMicGainLevel = 0;

// The set commands, one fixed text for each level.
constexpr const char* kVolumeCommands[] = {"AT+CVOL=0\r\n", "AT+CVOL=1\r\n", "AT+CVOL=2\r\n",
                                           "AT+CVOL=3\r\n", "AT+CVOL=4\r\n"};
constexpr const char* kMicGainCommands[] = {"AT+MICG=0\r\n", "AT+MICG=1\r\n", "AT+MICG=2\r\n",
                                            "AT+MICG=3\r\n"};
constexpr char kVolumeQuery[] = "AT+CVOL?\r\n";
constexpr char kMicGainQuery[] = "AT+MICG?\r\n";

}  // namespace

void CQuorvaneDlg::OnBnClickedBtnVolume() {
  if (++g_nVolumeLevel > 4) g_nVolumeLevel = 0;
  SendAndLogATCommand(kVolumeCommands[g_nVolumeLevel]);
  SendAndLogATCommand(kVolumeQuery);
}

void CQuorvaneDlg::OnBnClickedBtnMicGain() {
  if (++g_nMicGainLevel >= 4) g_nMicGainLevel = 0;
  SendAndLogATCommand(kMicGainCommands[g_nMicGainLevel]);
  SendAndLogATCommand(kMicGainQuery);
}
