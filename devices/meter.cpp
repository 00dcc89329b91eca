// The taxi meter link behind "MTR1:": the reservation and boarding signals towards the meter,
// set by the three buttons of the "예약/빈차" group or walked up and down by the meter test
// cycle, and the meter's own reports, which arrive as a window message and go to the log.
#include "app/quorvane_dlg.h"
#include "app/timer_ids.h"
#include "platform/terminal/debug_port.h"
#include "platform/terminal/vehicle_io_codes.h"
#include "platform/terminal/wide_format.h"

namespace {

constexpr UINT kMeterStepMs = 2000;

}  // namespace

void CQuorvaneDlg::MtrSignal(DWORD dwCode, DWORD dwValue) {
  IoSend(L"MTR1:", dwCode, &dwValue, sizeof dwValue, nullptr, 0, L"Navi IO Send CreateFile Error");
}

void CQuorvaneDlg::MtrReservationOn() { MtrSignal(IOCTL_MTR_RESERVATION, 1); }
void CQuorvaneDlg::MtrReservationOff() { MtrSignal(IOCTL_MTR_RESERVATION, 0); }
void CQuorvaneDlg::MtrBoardingOn() { MtrSignal(IOCTL_MTR_BOARDING, 1); }
void CQuorvaneDlg::MtrBoardingOff() { MtrSignal(IOCTL_MTR_BOARDING, 0); }

// Boarding is raised and lowered at once, so the meter sees both edges even when it was low.
void CQuorvaneDlg::OnBnClickedBtnReserveOn() {
  MtrReservationOn();
  MtrBoardingOn();
  MtrBoardingOff();
}

void CQuorvaneDlg::OnBnClickedBtnBoarding() {
  MtrReservationOff();
  MtrBoardingOn();
}

void CQuorvaneDlg::OnBnClickedBtnVacantOn() {
  MtrReservationOff();
  MtrBoardingOn();
  MtrBoardingOff();
}

void CQuorvaneDlg::OnBnClickedMtrCycleStop() { StopMeterCycle(); }

// The cycle resumes at the step where it stopped; setting a set timer only restarts its wait, so
// starting a running cycle starts no second one.
void CQuorvaneDlg::StartMeterCycle() {
  const UINT_PTR nTimer = TIMER_MTR_STEP0 + m_nMeterStep;
  KillTimer(nTimer);
  SetTimer(nTimer, kMeterStepMs, nullptr);
}

void CQuorvaneDlg::StopMeterCycle() {
  for (UINT_PTR nTimer = TIMER_MTR_STEP0; nTimer <= TIMER_MTR_STEP3; ++nTimer) KillTimer(nTimer);
}

// Each step's timer is stopped before its request, whose message box may let other timers run,
// and the next is armed only at the end: a step never runs twice at once.
void CQuorvaneDlg::OnMeterCycleTimer(UINT_PTR nIDEvent) {
  KillTimer(nIDEvent);
  switch (nIDEvent) {
    case TIMER_MTR_STEP0:
      MtrReservationOn();
      break;
    case TIMER_MTR_STEP1:
      MtrReservationOff();
      break;
    case TIMER_MTR_STEP2:
      MtrBoardingOn();
      break;
    case TIMER_MTR_STEP3:
      MtrBoardingOff();
      break;
  }
  m_nMeterStep = static_cast<int>((nIDEvent - TIMER_MTR_STEP0 + 1) % 4);
  SetTimer(TIMER_MTR_STEP0 + m_nMeterStep, kMeterStepMs, nullptr);
}

// Only (0, 1) means a passenger on board; every other pair reads as vacant.
void CQuorvaneDlg::OnMeterMessage(WPARAM wParam, LPARAM lParam) {
  const int nReservation = static_cast<int>(wParam);
  const int nBoarding = static_cast<int>(lParam);
  const wchar_t* szState = nReservation == 0 && nBoarding == 1 ? L"승차" : L"빈차";
  wsprintfW(m_szMsg, L"MTR MSG -> W=%d, L=%d (%s) \r\n", nReservation, nBoarding, szState);
  AppendLog(m_szMsg);
  NKDbgPrintfW(L"CQuorvaneDlg::DefWindowProc()::wParam=%d, lParam=%d \r\n", nReservation,
               nBoarding);
}
