#include "app/quorvane_dlg.h"

#include "platform/terminal/crt_stdio.h"
#include "platform/terminal/resources.h"
#include "platform/terminal/vehicle_io_codes.h"
#include "platform/terminal/volumes.h"

namespace {

// The storage test's file, created at start-up and moved between the volumes by the test.
constexpr char kRwTestFileOnSd[] = "\\SDMMC\\rwtest.txt";
constexpr std::size_t kRwTestFileSize = 1024;

}  // namespace

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

  // Without an SD card the file cannot be created; the storage test then has nothing to move.
  if (crt::FILE* file = crt::fopen(kRwTestFileOnSd, "wb+")) {
    const BYTE block[kRwTestFileSize] = {};
    crt::fwrite(block, 1, kRwTestFileSize, file);
    crt::fclose(file);
  }

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
  ::DeleteFileW(L"\\SDMMC\\rwtest.txt");
  ::DeleteFileW(L"\\DataStorage\\rwtest.txt");
}

void CQuorvaneDlg::OnBnClickedExit() { SendMessage(WM_CLOSE, 0, 0); }

void CQuorvaneDlg::OnBnClickedNothing() {}
