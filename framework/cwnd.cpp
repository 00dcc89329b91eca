#include "framework/cwnd.h"

#include <vector>

CWnd::CWnd() : procedure_(*this) {}

LRESULT CWnd::Procedure::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // The first message (WM_INITDIALOG) arrives before the creator has the handle.
  if (window_.m_hWnd == nullptr) window_.m_hWnd = hwnd;
  return window_.WindowProc(message, wParam, lParam);
}

bool CWnd::Procedure::KnowsCommand(UINT id) const {
  return window_.GetMessageMap()->Find(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED)) != nullptr;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (const MessageMapEntry* entry = GetMessageMap()->Find(message, wParam)) {
    return entry->invoke(*this, wParam, lParam);
  }
  return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

void CWnd::OnTimer(UINT_PTR nIDEvent) { DefWindowProc(WM_TIMER, nIDEvent, 0); }

void CWnd::OnDestroy() { DefWindowProc(WM_DESTROY, 0, 0); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

void CWnd::SetWindowText(LPCWSTR text) { ::SetWindowTextW(m_hWnd, text); }

void CWnd::GetWindowText(CString& text) const {
  std::vector<WCHAR> buffer(static_cast<std::size_t>(::GetWindowTextLengthW(m_hWnd)) + 1);
  const int length = ::GetWindowTextW(m_hWnd, buffer.data(), static_cast<int>(buffer.size()));
  text = CString(std::wstring(buffer.data(), static_cast<std::size_t>(length)));
}

BOOL CWnd::SetWindowPos(const CWnd* insert_after, int x, int y, int cx, int cy, UINT flags) {
  return ::SetWindowPos(m_hWnd, insert_after ? insert_after->m_hWnd : HWND_TOP, x, y, cx, cy,
                        flags);
}

HICON CWnd::SetIcon(HICON icon, BOOL big_icon) {
  return reinterpret_cast<HICON>(
      SendMessage(WM_SETICON, big_icon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse_ms, TIMERPROC timer_proc) {
  return ::SetTimer(m_hWnd, id, elapse_ms, timer_proc);
}

BOOL CWnd::KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
