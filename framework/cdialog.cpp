#include "framework/cdialog.h"

#include "platform/terminal/message_loop.h"
#include "platform/terminal/resources.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
  ON_COMMAND(IDOK, OnOK)
  ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
  if (control.m_hWnd == nullptr) control.m_hWnd = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, id);
}

CDialog::CDialog(UINT template_id, CWnd* parent)
    : m_nIDTemplate(template_id), m_pParentWnd(parent) {}

INT_PTR CDialog::DoModal() {
  m_bContinueModal = true;
  m_nModalResult = -1;
  if (!Create()) return -1;
  platform::MessageLoop::Current()->RunUntil([this] { return !m_bContinueModal; });
  ::DestroyWindow(m_hWnd);
  m_hWnd = nullptr;
  return m_nModalResult;
}

BOOL CDialog::Create() {
  if (platform::MessageLoop::Current() == nullptr) return FALSE;
  platform::CreateDialogFromTemplate(platform::LoadDialogTemplate(m_nIDTemplate),
                                     m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr, &procedure());
  return m_hWnd != nullptr ? TRUE : FALSE;
}

void CDialog::EndDialog(int result) {
  m_nModalResult = result;
  m_bContinueModal = false;
}

BOOL CDialog::UpdateData(BOOL save_and_validate) {
  CDataExchange dx(this, save_and_validate);
  DoDataExchange(&dx);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() { EndDialog(IDOK); }

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    // The dialog manager answers the caption's close button as the cancel command.
    return SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }
  return CWnd::DefWindowProc(message, wParam, lParam);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }
