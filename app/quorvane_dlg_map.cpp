// The dialog's command table, in the order the framework scans it. Each entry enters together
// with its handler.
#include "app/quorvane_dlg.h"

BEGIN_MESSAGE_MAP(CQuorvaneDlg, CDialog)
  ON_BN_CLICKED(IDC_BTN_EXIT, OnBnClickedExit)
  ON_BN_CLICKED(IDC_BTN_NOTHING_1036, OnBnClickedNothing)
  ON_WM_DESTROY()
  ON_BN_CLICKED(IDC_BTN_NOTHING_1042, OnBnClickedNothing)
  ON_BN_CLICKED(IDC_BTN_NOTHING_1057, OnBnClickedNothing)
END_MESSAGE_MAP()
