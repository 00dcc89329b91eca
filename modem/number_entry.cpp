// The keypad of the "CDMA" group: ten digit keys that add their digit to the end of the number
// field, and "DEL", which clears the whole number. The field's text is the number's only store.
#include "app/quorvane_dlg.h"

// The field's whole text is set anew, so a digit always goes to the end, wherever the caret is.
void CQuorvaneDlg::AppendDigit(int nDigit) {
  CString strNumber;
  m_editNumber.GetWindowText(strNumber);
  CString strDigit;
  strDigit.Format(L"%d", nDigit);
  strNumber += strDigit;
  m_editNumber.SetWindowText(strNumber);
}

void CQuorvaneDlg::OnBnClickedBtnKey1() { AppendDigit(1); }
void CQuorvaneDlg::OnBnClickedBtnKey2() { AppendDigit(2); }
void CQuorvaneDlg::OnBnClickedBtnKey3() { AppendDigit(3); }
void CQuorvaneDlg::OnBnClickedBtnKey4() { AppendDigit(4); }
void CQuorvaneDlg::OnBnClickedBtnKey5() { AppendDigit(5); }
void CQuorvaneDlg::OnBnClickedBtnKey6() { AppendDigit(6); }
void CQuorvaneDlg::OnBnClickedBtnKey7() { AppendDigit(7); }
void CQuorvaneDlg::OnBnClickedBtnKey8() { AppendDigit(8); }
void CQuorvaneDlg::OnBnClickedBtnKey9() { AppendDigit(9); }
void CQuorvaneDlg::OnBnClickedBtnKey0() { AppendDigit(0); }

// An empty field is left alone: no text is set.
void CQuorvaneDlg::OnBnClickedBtnDel() {
  CString strNumber;
  m_editNumber.GetWindowText(strNumber);
  if (!strNumber.IsEmpty()) m_editNumber.SetWindowText(L"");
}
