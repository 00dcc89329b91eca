// The application object: exactly one per program, built before start-up. Its title (from the
// executable's name unless one is given) captions every message box of the program.
#pragma once

#include <string>

#include "framework/ccmdtarget.h"
#include "framework/cwnd.h"

class CWinApp : public CCmdTarget {
 public:
  // `app_name` null: the title is the executable's file name.
  explicit CWinApp(LPCWSTR app_name = nullptr);
  ~CWinApp() override;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Start-up. FALSE ends the program instead of entering a message loop of the application's own.
  virtual BOOL InitInstance();
  virtual int ExitInstance();
  void SetRegistryKey(LPCWSTR key);

  LPCWSTR m_pszAppName;
  CWnd* m_pMainWnd = nullptr;

 private:
  std::wstring app_name_;
  std::wstring registry_key_;
};

CWinApp* AfxGetApp();
LPCWSTR AfxGetAppName();
// Runs the program's one application object; the program's exit status.
int AfxWinMain();
// The application's message box: the main window as owner, the application's title as caption.
int AfxMessageBox(LPCWSTR text, UINT type = MB_OK, UINT help_id = 0);
