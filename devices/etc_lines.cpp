// The terminal's switched output lines behind "ETC1:". A selection only names the line; the
// ON/OFF button then switches it on and off in turn, with one toggle shared by every selection.
// The vacancy-control selection is no line: with it the button starts and stops the meter test
// cycle instead. The CDMA group's buttons switch the modem's power directly, and the modem start
// step pulses its start line.
#include "app/quorvane_dlg.h"
#include "app/timer_ids.h"
#include "platform/terminal/devices.h"
#include "platform/terminal/handles.h"
#include "platform/terminal/vehicle_io_codes.h"

namespace {

constexpr DWORD kModemStartPulseMs = 3000;
constexpr UINT kCom2OpenDelayMs = 10000;

}  // namespace

void CQuorvaneDlg::OnBnClickedRadioPowerOff() { m_dwEtcIoctl = IOCTL_ETC_POWER_OFF_LINE; }
void CQuorvaneDlg::OnBnClickedRadioPowerOn() { m_dwEtcIoctl = IOCTL_ETC_POWER_ON_LINE; }
void CQuorvaneDlg::OnBnClickedRadioVacantCtrl() { m_dwEtcIoctl = IOCTL_MTR_BOARDING; }
void CQuorvaneDlg::OnBnClickedRadio1051() { m_dwEtcIoctl = IOCTL_ETC_MODEM_START; }
void CQuorvaneDlg::OnBnClickedRadio1018() { m_dwEtcIoctl = IOCTL_ETC_LINE_9121; }
void CQuorvaneDlg::OnBnClickedRadio1031() { m_dwEtcIoctl = IOCTL_ETC_LINE_9010; }
void CQuorvaneDlg::OnBnClickedRadio1032() { m_dwEtcIoctl = IOCTL_ETC_PAIR_OFF; }

void CQuorvaneDlg::OnBnClickedBtnEtcOnOff() {
  // Vacancy control shares its code with the meter's boarding signal; it drives the meter cycle.
  if (m_dwEtcIoctl == IOCTL_MTR_BOARDING) {
    if (m_nEtcOnOff == 1) {
      StartMeterCycle();
    } else {
      StopMeterCycle();
    }
    m_nEtcOnOff = m_nEtcOnOff == 0 ? 1 : 0;
    return;
  }

  DWORD dwValue = m_nEtcOnOff == 1 ? 1 : 0;
  // The pair's line is switched on by 7002 and off by 7001; the code left behind is the one sent.
  if (m_dwEtcIoctl == IOCTL_ETC_PAIR_OFF && dwValue == 1) m_dwEtcIoctl = IOCTL_ETC_PAIR_ON;
  if (m_dwEtcIoctl == IOCTL_ETC_PAIR_ON && dwValue == 0) m_dwEtcIoctl = IOCTL_ETC_PAIR_OFF;
  IoSend(L"ETC1:", m_dwEtcIoctl, &dwValue, sizeof dwValue, nullptr, 1,
         L"ETC IO Send CreateFile Error");
  m_nEtcOnOff = m_nEtcOnOff == 1 ? 0 : 1;
}

void CQuorvaneDlg::OnBnClickedBtnModemPowerOn() {
  DWORD dwValue = 1;
  IoSend(L"ETC1:", IOCTL_ETC_MODEM_POWER, &dwValue, sizeof dwValue, nullptr, 0,
         L"Navi IO Send CreateFile Error");
}

void CQuorvaneDlg::OnBnClickedBtnModemPowerOff() {
  DWORD dwValue = 0;
  IoSend(L"ETC1:", IOCTL_ETC_MODEM_POWER, &dwValue, sizeof dwValue, nullptr, 0,
         L"Navi IO Send CreateFile Error");
}

// The modem restarts when its start line, pulled low, goes high again. Both requests go on one
// handle, held across the pause; without the driver the pause is still taken, so the modem cycle
// keeps its rhythm.
void CQuorvaneDlg::OnModemStartTimer() {
  KillTimer(TIMER_MODEM_POWER);
  HANDLE hDevice = OpenStreamDriver(L"ETC1:", L"Navi IO Send CreateFile Error");

  DWORD dwValue = 0;
  DWORD dwReturned = 0;
  if (hDevice != INVALID_HANDLE_VALUE) {
    ::DeviceIoControl(hDevice, IOCTL_ETC_MODEM_START, &dwValue, sizeof dwValue, nullptr, 0,
                      &dwReturned, nullptr);
  }
  ::Sleep(kModemStartPulseMs);
  if (hDevice != INVALID_HANDLE_VALUE) {
    dwValue = 1;
    ::DeviceIoControl(hDevice, IOCTL_ETC_MODEM_START, &dwValue, sizeof dwValue, nullptr, 0,
                      &dwReturned, nullptr);
    ::CloseHandle(hDevice);
  }
  SetTimer(TIMER_COM2_OPEN, kCom2OpenDelayMs, nullptr);
}
