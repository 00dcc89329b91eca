// Windows and controls as a model, and the messages that act on them. Every window belongs to
// the message loop of the thread that created it; SendMessageW from another thread waits until
// that loop has run the window's procedure. Controls keep their state here (an edit control its
// text and selection, a button its check mark); front ends mirror it and feed a person's input
// back in as messages. Only the controls and messages the console uses exist.
#pragma once

#include "platform/terminal/dialog_template.h"
#include "platform/terminal/win_types.h"

namespace platform {

// The procedure behind a window that is not one of the platform's own controls (the dialog).
class WindowProcedure {
 public:
  virtual LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Whether a handler of the window's own takes command `id` (a click's WM_COMMAND); without
  // one, the command goes to the default processing, which ignores it.
  virtual bool KnowsCommand(UINT /*id*/) const { return false; }

 protected:
  ~WindowProcedure() = default;
};

// Creates the dialog window and one control per template item, on the calling thread's loop, and
// sends WM_INITDIALOG to `procedure`. Returns null when the thread has no loop.
HWND CreateDialogFromTemplate(const DialogTemplate& dialog_template, HWND parent,
                              WindowProcedure* procedure);

}  // namespace platform

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// What a window's procedure leaves to the system: texts, icons, closing.
LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);
// Window timers tick as WM_TIMER with the id; setting a set timer restarts it. Timer procedures
// are not supported: `timer_proc` must be null.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms, TIMERPROC timer_proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
// Blocks the calling thread; on the user-interface thread nothing is handled meanwhile.
void Sleep(DWORD milliseconds);

// The top-level window whose text is exactly `window_name` (a null name matches any), the one
// that has stood longest when several match; null when none does. Safe from any thread, as
// another program on the terminal finds a window it wants to post to. There are no window
// classes here: only a null `class_name` is supported, and any other finds nothing.
HWND FindWindowW(LPCWSTR class_name, LPCWSTR window_name);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND hwnd);
HWND GetParent(HWND hwnd);
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
int GetWindowTextW(HWND hwnd, LPWSTR buffer, int max_count);
int GetWindowTextLengthW(HWND hwnd);
BOOL SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int cx, int cy, UINT flags);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
// Shows the text in the front end's message box and runs a nested loop until it is dismissed;
// the owner takes no input meanwhile. Returns the button (IDOK).
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
