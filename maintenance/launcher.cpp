// The launcher: each of the terminal's other programs has a command that starts it by its fixed
// path through the shell and returns at once. A program that is not there is passed over in
// silence; one the shell cannot start is the shell's to report.
#include "app/quorvane_dlg.h"
#include "platform/terminal/file_attributes.h"
#include "platform/terminal/shell.h"

void CQuorvaneDlg::OnBnClickedBtnDmb() {
  LaunchProgram(L"\\ResidentFlash\\Morlune\\DMB\\DmbPlayer.exe");
}

void CQuorvaneDlg::OnBnClickedBtnAvPlayer() {
  LaunchProgram(L"\\ResidentFlash\\Morlune\\AvPlayer.exe");
}

void CQuorvaneDlg::OnBnClickedBtnRearCamera() {
  LaunchProgram(L"\\ResidentFlash\\Morlune\\RearCamera.exe");
}

void CQuorvaneDlg::OnBnClickedBtnGpsViewer() { LaunchProgram(L"\\Windows\\GpsViewer.exe"); }

void CQuorvaneDlg::OnBnClickedBtnSetting() {
  LaunchProgram(L"\\ResidentFlash\\Morlune\\Setting.exe");
}

void CQuorvaneDlg::OnBnClickedBtnUtis() {
  LaunchProgram(L"\\ResidentFlash\\Morlune\\UTIS\\UTIS.exe");
}

void CQuorvaneDlg::OnBnClickedBtnIeSample() { LaunchProgram(L"\\Windows\\iesample.exe"); }

void CQuorvaneDlg::LaunchProgram(LPCWSTR szPath) {
  if (GetFileAttributesW(szPath) == INVALID_FILE_ATTRIBUTES) return;

  SHELLEXECUTEINFOW info = {};
  info.cbSize = kShellExecuteInfoSize;
  info.hwnd = m_hWnd;
  info.lpVerb = L"Open";
  info.lpFile = szPath;
  info.lpParameters = nullptr;
  info.nShow = SW_SHOW;
  info.hInstApp = nullptr;
  ShellExecuteExW(&info);
}
