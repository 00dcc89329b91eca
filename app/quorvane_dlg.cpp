#include "app/quorvane_dlg.h"

#include "platform/terminal/resources.h"
#include "platform/terminal/vehicle_io_codes.h"

CQuorvaneDlg::CQuorvaneDlg(CWnd* pParent) : CDialog(IDD, pParent) {
  m_hIcon = ::LoadIconW(nullptr, MAKEINTRESOURCEW(IDR_MAINFRAME));
  m_nMeterStep = 0;
  m_dwEtcIoctl = 0;
}

// The members go in reverse order: the number field, the log pane, then the serial port.
CQuorvaneDlg::~CQuorvaneDlg() = default;

void CQuorvaneDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_EDIT_LOG, m_editLog);
  DDX_Control(pDX, IDC_EDIT_NUMBER, m_editNumber);
}

BOOL CQuorvaneDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  SetWindowText(L"QUORVANE");
  SetWindowPos(nullptr, 0, 0, 800, 480, SWP_FRAMECHANGED);

  m_nComPort = 0;
  m_nEtcOnOff = 1;

  CreateRwTestFile();
  m_bRwTestRunning = FALSE;
  m_bRwFileInDataStorage = FALSE;
  return TRUE;
}

// The meter side reports to the dialog with a message of its own, which the command table does
// not know; it is logged here and then handled as every other message.
LRESULT CQuorvaneDlg::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_METER_MESSAGE) OnMeterMessage(wParam, lParam);
  return CDialog::DefWindowProc(message, wParam, lParam);
}

void CQuorvaneDlg::OnDestroy() {
  CDialog::OnDestroy();
  DeleteRwTestFiles();
}

void CQuorvaneDlg::OnBnClickedExit() { SendMessage(WM_CLOSE, 0, 0); }

void CQuorvaneDlg::OnBnClickedNothing() {}
