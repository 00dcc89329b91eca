// The log pane: every result of the console becomes text appended here.
#include "app/quorvane_dlg.h"

// The text replaces the pane's selection, which is the caret behind the last append unless the
// technician moved it; no line break, time stamp or prefix is added.
void CQuorvaneDlg::AppendLog(LPCWSTR text) {
  m_editLog.SendMessage(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text));
}
