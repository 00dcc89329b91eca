// Every timer of the dialog arrives here and goes to the part it serves; each id then goes on to
// the default processing as well, an id the console never sets included.
#include "app/quorvane_dlg.h"
#include "app/timer_ids.h"

void CQuorvaneDlg::OnTimer(UINT_PTR nIDEvent) {
  switch (nIDEvent) {
    case TIMER_RW_TEST:
      OnRwTestTimer();
      break;
    case TIMER_MTR_STEP0:
    case TIMER_MTR_STEP1:
    case TIMER_MTR_STEP2:
    case TIMER_MTR_STEP3:
      OnMeterCycleTimer(nIDEvent);
      break;
    case TIMER_MDN_START:
      OnMdnStartTimer();
      break;
    case TIMER_MODEM_POWER:
      OnModemStartTimer();
      break;
    case TIMER_COM2_OPEN:
      OnCom2OpenTimer();
      break;
    case TIMER_MDN_QUERY:
      OnMdnQueryTimer();
      break;
  }
  CDialog::OnTimer(nIDEvent);
}
