#include "framework/cwinapp.h"

#include <cerrno>

#include "platform/terminal/code_page.h"

namespace {

CWinApp* the_app = nullptr;

std::wstring ExecutableTitle() {
  return platform::FromUtf8(program_invocation_short_name).value_or(L"");
}

}  // namespace

CWinApp::CWinApp(LPCWSTR app_name) : app_name_(app_name ? app_name : ExecutableTitle()) {
  m_pszAppName = app_name_.c_str();
  the_app = this;
}

CWinApp::~CWinApp() {
  if (the_app == this) the_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

void CWinApp::SetRegistryKey(LPCWSTR key) { registry_key_ = key ? key : L""; }

CWinApp* AfxGetApp() { return the_app; }

LPCWSTR AfxGetAppName() {
  static const std::wstring fallback = ExecutableTitle();
  return the_app ? the_app->m_pszAppName : fallback.c_str();
}

int AfxWinMain() {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return 1;
  // The console's start-up runs its dialog to the end and answers FALSE; there is no message loop
  // of the application's own to enter afterwards, so the program ends either way.
  app->InitInstance();
  return app->ExitInstance();
}

int AfxMessageBox(LPCWSTR text, UINT type, UINT /*help_id: no help on the terminal*/) {
  CWinApp* app = AfxGetApp();
  const HWND owner = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
  return ::MessageBoxW(owner, text, AfxGetAppName(), type);
}
