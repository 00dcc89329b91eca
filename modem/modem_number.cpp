#include "app/quorvane_dlg.h"
#include "framework/cwinapp.h"
#include "platform/terminal/code_page.h"

BOOL CQuorvaneDlg::NumberEntered(CString& strNumber) {
  m_editNumber.GetWindowText(strNumber);
  if (!strNumber.IsEmpty()) return TRUE;
  AfxMessageBox(L"번호를 입력하세요.");
  return FALSE;
}

BOOL CQuorvaneDlg::NumberForModem(const CString& strNumber, char* szNumber, std::size_t nLongest,
                                  LPCWSTR szTooLong) {
  BOOL bUsedDefaultChar = FALSE;
  const int nBytes =
      WideCharToMultiByte(CP_ACP, 0, strNumber, -1, nullptr, 0, nullptr, &bUsedDefaultChar);
  if (nBytes == 0 || bUsedDefaultChar) {
    AfxMessageBox(L"번호에 보낼 수 없는 문자가 있습니다.");
    return FALSE;
  }
  if (static_cast<std::size_t>(nBytes) - 1 > nLongest) {
    AfxMessageBox(szTooLong);
    return FALSE;
  }
  WideCharToMultiByte(CP_ACP, 0, strNumber, -1, szNumber, nBytes, nullptr, nullptr);
  return TRUE;
}
