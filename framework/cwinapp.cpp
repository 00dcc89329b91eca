#include "framework/cwinapp.h"

#include "platform/terminal/module.h"

namespace {

CWinApp* the_app = nullptr;

// The executable's file name without its folder and extension: the title of an application whose
// constructor is given none.
std::wstring ExecutableTitle() {
  std::wstring title(MAX_PATH, L'\0');
  DWORD length = 0;
  // A path of this machine may be longer than the terminal's MAX_PATH: grow until it fits.
  while ((length = GetModuleFileNameW(nullptr, title.data(), static_cast<DWORD>(title.size()))) ==
         title.size()) {
    title.resize(title.size() * 2);
  }
  title.resize(length);
  title.erase(0, title.find_last_of(L"\\/") + 1);
  const std::size_t dot = title.find_last_of(L'.');
  if (dot != std::wstring::npos && dot != 0) title.erase(dot);
  return title;
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
