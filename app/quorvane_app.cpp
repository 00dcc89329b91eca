#include "app/quorvane_app.h"

#include "app/quorvane_dlg.h"

BEGIN_MESSAGE_MAP(CQuorvaneApp, CWinApp)
END_MESSAGE_MAP()

BOOL CQuorvaneApp::InitInstance() {
  // The program keeps no settings; the key only names where the framework would put them.
  SetRegistryKey(L"로컬 응용 프로그램 마법사에서 생성된 응용 프로그램");

  CQuorvaneDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;

  // Leaving destroys the dialog, which closes the serial port; FALSE ends the program.
  return FALSE;
}
