// The console's one dialog: it fills the terminal's screen, holds every piece of the console's
// state, and every command of every part of the console is one of its handlers. Results become
// lines in the log pane through AppendLog; stream drivers are reached through IoSend.
#pragma once

#include "framework/cdialog.h"
#include "framework/cedit.h"
#include "res/resource.h"
#include "serial/ccom.h"

class CQuorvaneDlg : public CDialog {
  DECLARE_MESSAGE_MAP()

 public:
  explicit CQuorvaneDlg(CWnd* pParent = nullptr);
  ~CQuorvaneDlg() override;

  enum { IDD = IDD_QUORVANE_DIALOG };

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnInitDialog() override;

  // Command handlers.
  void OnBnClickedExit();
  void OnBnClickedNothing();
  void OnDestroy();

  // The serial terminal.
  void OnBnClickedRadioCom1();
  void OnBnClickedRadioCom2();
  void OnBnClickedRadioCom3();
  void OnBnClickedRadioCom4();
  void OnBnClickedRadioCom5();
  void OnBnClickedRadioCom6();
  void OnBnClickedRadioComNone();
  void OnBnClickedBtnOpen();
  void OnBnClickedBtnClose();
  void OnBnClickedBtnSend();
  LRESULT OnCommRead(WPARAM wParam, LPARAM lParam);
  // Opens port `nPort` ("COMn:") at `dwBaudRate` for this dialog and logs whether it opened.
  void OpenPortAndLog(int nPort, DWORD dwBaudRate);

  // Number entry and calls on the modem.
  void OnBnClickedBtnKey1();
  void OnBnClickedBtnKey2();
  void OnBnClickedBtnKey3();
  void OnBnClickedBtnKey4();
  void OnBnClickedBtnKey5();
  void OnBnClickedBtnKey6();
  void OnBnClickedBtnKey7();
  void OnBnClickedBtnKey8();
  void OnBnClickedBtnKey9();
  void OnBnClickedBtnKey0();
  void OnBnClickedBtnDel();
  void OnBnClickedBtnCall();
  void OnBnClickedBtnAnswer();
  void OnBnClickedBtnHangUp();
  void AppendDigit(int nDigit);
  void DialNumber(const CString& strNumber);
  void HangUp();
  // The number field's text; FALSE, after telling the person to enter one, when it is empty.
  BOOL NumberEntered(CString& strNumber);
  // The number in the ANSI code page, whole or not at all: a number with a character the code
  // page has no byte for, or longer than `nLongest` bytes, is refused with a message box (the
  // unsendable character's, or `szTooLong`), since a cut or altered number reaches someone else.
  // `szNumber` holds nLongest + 1 bytes.
  BOOL NumberForModem(const CString& strNumber, char* szNumber, std::size_t nLongest,
                      LPCWSTR szTooLong);

  // The modem's audio levels.
  void OnBnClickedBtnVolume();
  void OnBnClickedBtnMicGain();

  // Registering the terminal's number in the modem.
  void OnBnClickedBtnRegisterMdn();
  void SendLogAndPause(const char* szCommand);
  // The activation check: the marker on the SD card, then a warm restart.
  void OnBnClickedBtnActivation();

  // The vehicle I/O: the ETC lines, the modem's power and start line.
  void OnBnClickedBtnEtcOnOff();
  void OnBnClickedRadio1051();
  void OnBnClickedRadio1018();
  void OnBnClickedRadioPowerOff();
  void OnBnClickedRadioPowerOn();
  void OnBnClickedRadio1031();
  void OnBnClickedRadio1032();
  void OnBnClickedRadioVacantCtrl();
  void OnBnClickedBtnModemPowerOn();
  void OnBnClickedBtnModemPowerOff();
  void OnModemStartTimer();

  // The taxi meter: its two signals, the test cycle and the meter's reports.
  void OnBnClickedBtnReserveOn();
  void OnBnClickedBtnBoarding();
  void OnBnClickedBtnVacantOn();
  void OnBnClickedMtrCycleStop();
  void MtrReservationOn();
  void MtrReservationOff();
  void MtrBoardingOn();
  void MtrBoardingOff();
  void MtrSignal(DWORD dwCode, DWORD dwValue);
  void StartMeterCycle();
  void StopMeterCycle();
  void OnMeterCycleTimer(UINT_PTR nIDEvent);
  void OnMeterMessage(WPARAM wParam, LPARAM lParam);

  // The EAS channels.
  void OnBnClickedBtnEasRead();

  // The storage soak test: its file at start-up, the toggle, one move a tick, the clean-up.
  void CreateRwTestFile();
  void OnBnClickedRwTest();
  void OnRwTestTimer();
  void DeleteRwTestFiles();

  // The timers of every part, dispatched by id.
  void OnTimer(UINT_PTR nIDEvent);
  // The modem cycle's start and its ticks; the power pulse is OnModemStartTimer.
  void OnBnClickedMdnCycleStart();
  void OnMdnStartTimer();
  void OnCom2OpenTimer();
  void OnMdnQueryTimer();

  // The launcher of the terminal's other programs.
  void OnBnClickedBtnDmb();
  void OnBnClickedBtnAvPlayer();
  void OnBnClickedBtnRearCamera();
  void OnBnClickedBtnGpsViewer();
  void OnBnClickedBtnSetting();
  void OnBnClickedBtnUtis();
  void OnBnClickedBtnIeSample();
  // Starts the program at `szPath` through the shell when the file is there; nothing else.
  void LaunchProgram(LPCWSTR szPath);

  // The software update: the resident flash replaced by the folder tree on the SD card. The
  // walks take folder paths ending with a backslash and show their progress in the pane.
  void OnBnClickedBtnUpdate();
  void DeleteFolderTree(const CString& strFolder);
  void CopyFolderTree(const CString& strSource, const CString& strDestination);

  // Shared operations.
  void AppendLog(LPCWSTR text);
  // Writes a modem command's 8-bit characters, without terminator, on the port. A wide text is
  // narrowed unit by unit to its low byte.
  void SendATCommand(LPCWSTR szCommand);
  void SendATCommand(const char* szCommand);
  // Sends a modem command of at most 255 characters, then logs it (in the ANSI code page) as it
  // was sent; its own "\r\n" ends the line.
  void SendAndLogATCommand(const char* szCommand);
  // A stream driver opened as every request opens it, or INVALID_HANDLE_VALUE after a message
  // box with `szOpenFailureText`.
  HANDLE OpenStreamDriver(LPCWSTR szDevice, LPCWSTR szOpenFailureText);
  void IoSend(LPCWSTR szDevice, DWORD dwCode, LPVOID pInput, DWORD dwInputSize, LPVOID pOutput,
              DWORD dwOutputSize, LPCWSTR szOpenFailureText);

  // Members set by OnInitDialog or by the commands start out zeroed, so that nothing is read
  // undefined before then.
  CCom m_com;
  int m_nComPort = 0;
  DWORD m_dwEtcIoctl;
  int m_nEtcOnOff = 0;
  WCHAR m_szMsg[2048] = {};
  BOOL m_bRwFileInDataStorage = FALSE;
  BOOL m_bRwTestRunning = FALSE;
  int m_nMdnQueryCount = 0;
  BOOL m_bMdnCycleStarted = FALSE;
  int m_nMeterStep;
  HICON m_hIcon;
  CEdit m_editLog;
  CEdit m_editNumber;
};
