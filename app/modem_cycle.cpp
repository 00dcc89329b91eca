// The modem cycle: power-cycle the modem, open its port COM2, ask it ten times a second apart for
// its own number, close the port and start over, for as long as the dialog lives. Four one-shot
// timers hand over to one another (start 20, power 23, open 21, queries 24), so exactly one of
// them is armed at any moment; the power pulse itself lives with the ETC lines.
#include "app/quorvane_dlg.h"
#include "app/timer_ids.h"
#include "platform/terminal/debug_port.h"

namespace {

constexpr UINT kMdnStartDelayMs = 100;
constexpr UINT kModemPowerDelayMs = 1000;
constexpr UINT kMdnQueryPeriodMs = 1000;
constexpr unsigned kMdnQueriesPerOpen = 10;
constexpr char kMdnQuery[] = "at*rx*mdn?\r\n";

}  // namespace

// The cycle never ends once started, so a second start is ignored: arming timer 20 again would
// run a second chain beside the first, each opening and closing the one port under the other.
void CQuorvaneDlg::OnBnClickedMdnCycleStart() {
  if (m_bMdnCycleStarted) {
    NKDbgPrintfW(L"OnBnClickedMdnCycleStart():: the cycle runs already\r\n");
    return;
  }
  m_bMdnCycleStarted = TRUE;
  SetTimer(TIMER_MDN_START, kMdnStartDelayMs, nullptr);
}

void CQuorvaneDlg::OnMdnStartTimer() {
  KillTimer(TIMER_MDN_START);
  SetTimer(TIMER_MODEM_POWER, kModemPowerDelayMs, nullptr);
}

// The port is opened as COM2 whichever radio button shows; its queries follow whether or not it
// opened, so a missing modem is simply tried again on the next cycle.
void CQuorvaneDlg::OnCom2OpenTimer() {
  KillTimer(TIMER_COM2_OPEN);
  m_nComPort = 2;

  OpenPortAndLog(m_nComPort, 115200);

  m_nMdnQueryCount = 0;
  SetTimer(TIMER_MDN_QUERY, kMdnQueryPeriodMs, nullptr);
}

// The eleventh tick closes the port before its query, so that query shows only on the debug
// port; it also deletes whatever the technician had selected in the log pane.
void CQuorvaneDlg::OnMdnQueryTimer() {
  if (static_cast<unsigned>(m_nMdnQueryCount) < kMdnQueriesPerOpen) {
    ++m_nMdnQueryCount;
  } else {
    m_nMdnQueryCount = 0;
    m_com.ClosePort();
    m_editLog.SendMessage(WM_CLEAR, 0, 0);
    KillTimer(TIMER_MDN_QUERY);
    SetTimer(TIMER_MDN_START, kMdnStartDelayMs, nullptr);
  }
  SendATCommand(kMdnQuery);
}
