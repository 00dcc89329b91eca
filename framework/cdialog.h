// The modal dialog: DoModal creates the window from its template, runs the modal loop until
// EndDialog, then destroys the window. The dialog manager's defaults live here too: WM_CLOSE
// becomes IDCANCEL, and IDOK and IDCANCEL end the dialog.
#pragma once

#include "framework/cwnd.h"

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL save_and_validate)
      : m_bSaveAndValidate(save_and_validate), m_pDlgWnd(dialog) {}
  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
};

// Binds the dialog's control `id` to `control`.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

class CDialog : public CWnd {
  DECLARE_MESSAGE_MAP()

 public:
  explicit CDialog(UINT template_id, CWnd* parent = nullptr);

  // Runs the dialog; its result is the value given to EndDialog, or -1 when it could not be
  // created.
  virtual INT_PTR DoModal();
  // Creates the dialog's window without running it (a modeless dialog) on this thread's loop.
  BOOL Create();
  void EndDialog(int result);
  BOOL UpdateData(BOOL save_and_validate = TRUE);

 protected:
  virtual void DoDataExchange(CDataExchange* pDX);
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  bool m_bContinueModal = false;
  int m_nModalResult = -1;
};
