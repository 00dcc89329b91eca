// A window object of the framework: it holds the window's handle and runs the window's messages
// through its command table, leaving what the table does not handle to DefWindowProc.
#pragma once

#include "framework/ccmdtarget.h"
#include "framework/cstring.h"
#include "platform/terminal/window.h"

class CWnd : public CCmdTarget {
 public:
  CWnd();
  ~CWnd() override = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  void SetWindowText(LPCWSTR text);
  void GetWindowText(CString& text) const;
  BOOL SetWindowPos(const CWnd* insert_after, int x, int y, int cx, int cy, UINT flags);
  HICON SetIcon(HICON icon, BOOL big_icon);
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse_ms, TIMERPROC timer_proc);
  BOOL KillTimer(UINT_PTR id);

  // Every message of the window: the command table first, DefWindowProc for the rest.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  void OnTimer(UINT_PTR nIDEvent);
  void OnDestroy();

  // What the platform calls for this window's messages.
  platform::WindowProcedure& procedure() { return procedure_; }

 private:
  class Procedure final : public platform::WindowProcedure {
   public:
    explicit Procedure(CWnd& window) : window_(window) {}
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool KnowsCommand(UINT id) const override;

   private:
    CWnd& window_;
  };
  Procedure procedure_;
};
