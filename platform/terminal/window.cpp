#include "platform/terminal/window.h"

#include <algorithm>
#include <cwchar>
#include <thread>
#include <vector>

#include "platform/terminal/utf16.h"
#include "platform/terminal/window_manager.h"

using platform::DeliverMessage;
using platform::WindowManager;
using platform::WindowRecord;

namespace {

WindowRecord* Find(HWND hwnd) { return WindowManager::Instance().Find(hwnd); }

platform::FrontEnd& Front() { return WindowManager::Instance().front_end(); }

// WM_GETTEXT: as many whole characters as the buffer holds before its terminating zero, converted
// piece by piece so that reading a large text never copies it whole.
LRESULT CopyText(std::u16string_view text, WPARAM buffer_size, LPWSTR buffer) {
  if (buffer_size == 0 || buffer == nullptr) return 0;
  constexpr std::size_t kPiece = 4096;
  std::size_t copied = 0;
  for (std::size_t from = 0; from < text.size() && copied < buffer_size - 1;) {
    std::size_t to = std::min(text.size(), from + kPiece);
    if (to < text.size() && platform::IsLowSurrogate(text[to])) ++to;  // keep pairs whole
    const std::wstring piece = platform::FromUtf16(text.substr(from, to - from));
    const std::size_t count = std::min(piece.size(), buffer_size - 1 - copied);
    std::wmemcpy(buffer + copied, piece.data(), count);
    copied += count;
    from = to;
  }
  buffer[copied] = L'\0';
  return static_cast<LRESULT>(copied);
}

}  // namespace

namespace platform {

HWND CreateDialogFromTemplate(const DialogTemplate& dialog_template, HWND parent,
                              WindowProcedure* procedure) {
  MessageLoop* loop = MessageLoop::Current();
  if (loop == nullptr) return nullptr;
  auto& manager = WindowManager::Instance();

  WindowState dialog;
  dialog.parent = parent;
  dialog.kind = ControlKind::Dialog;
  dialog.style = dialog_template.style;
  dialog.ex_style = dialog_template.ex_style;
  dialog.text = ToUtf16(dialog_template.caption);
  dialog.template_rect = {0, 0, dialog_template.cx, dialog_template.cy};
  const HWND hwnd = manager.Add(std::move(dialog), procedure, *loop);

  std::vector<HWND> children;
  for (const DialogItem& item : dialog_template.items) {
    WindowState control;
    control.parent = hwnd;
    control.id = item.id;
    control.kind = item.kind;
    control.style = item.style;
    control.text = ToUtf16(item.caption);
    control.template_rect = {item.x, item.y, item.cx, item.cy};
    children.push_back(manager.Add(std::move(control), nullptr, *loop));
  }
  WindowState& created = Find(hwnd)->state;
  created.children = std::move(children);
  std::vector<const WindowState*> controls;
  for (HWND child : created.children) controls.push_back(&Find(child)->state);

  Front().WindowCreated(created, controls);
  SendMessageW(hwnd, WM_INITDIALOG, 0, 0);
  return hwnd;
}

}  // namespace platform

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto loop = WindowManager::Instance().LoopOf(hwnd);
  if (!loop) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (loop->OnLoopThread()) return DeliverMessage(hwnd, message, wParam, lParam);
  LRESULT result = 0;
  loop->Send([&] { result = DeliverMessage(hwnd, message, wParam, lParam); });
  return result;
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto loop = WindowManager::Instance().LoopOf(hwnd);
  if (!loop || !loop->Post([=] { DeliverMessage(hwnd, message, wParam, lParam); })) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* window = Find(hwnd);
  if (window == nullptr) return 0;
  auto& state = window->state;
  switch (message) {
    case WM_SETTEXT:
      WindowManager::Instance().SetText(
          *window, lParam ? platform::ToUtf16(reinterpret_cast<LPCWSTR>(lParam)) : u"");
      Front().TextSet(state);
      return TRUE;
    case WM_GETTEXT:
      return CopyText(state.text, wParam, reinterpret_cast<LPWSTR>(lParam));
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(state.text.size());
    case WM_SETICON: {
      HICON& slot = wParam == ICON_BIG ? state.big_icon : state.small_icon;
      const HICON previous = slot;
      slot = reinterpret_cast<HICON>(lParam);
      Front().IconChanged(state);
      return reinterpret_cast<LRESULT>(previous);
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    default:
      return 0;
  }
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms, TIMERPROC timer_proc) {
  WindowRecord* window = Find(hwnd);
  if (window == nullptr || timer_proc != nullptr) {
    SetLastError(window ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  window->loop->SetTimer(hwnd, id, elapse_ms);
  return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  WindowRecord* window = Find(hwnd);
  return window != nullptr && window->loop->KillTimer(hwnd, id) ? TRUE : FALSE;
}

void Sleep(DWORD milliseconds) {
  if (auto* loop = platform::MessageLoop::Current()) {
    Front().Pausing();
    loop->clock().Sleep(platform::Milliseconds{milliseconds});
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds{milliseconds});
  }
}

BOOL DestroyWindow(HWND hwnd) {
  WindowRecord* window = Find(hwnd);
  if (window == nullptr) return FALSE;
  // WM_DESTROY reaches the window before its children, as on the terminal.
  DeliverMessage(hwnd, WM_DESTROY, 0, 0);
  window = Find(hwnd);
  if (window == nullptr) return TRUE;
  const std::vector<HWND> children = window->state.children;
  for (HWND child : children) DestroyWindow(child);
  window = Find(hwnd);
  if (window == nullptr) return TRUE;
  window->loop->KillTimers(hwnd);
  Front().WindowDestroyed(window->state);
  WindowManager::Instance().Remove(hwnd);
  return TRUE;
}

HWND FindWindowW(LPCWSTR class_name, LPCWSTR window_name) {
  if (class_name != nullptr) return nullptr;
  if (window_name == nullptr) return WindowManager::Instance().FindTopLevel(std::nullopt);
  return WindowManager::Instance().FindTopLevel(platform::ToUtf16(window_name));
}

BOOL IsWindow(HWND hwnd) { return WindowManager::Instance().LoopOf(hwnd) ? TRUE : FALSE; }

HWND GetDlgItem(HWND dialog, int id) {
  WindowRecord* window = Find(dialog);
  if (window == nullptr) return nullptr;
  for (HWND child : window->state.children) {
    if (WindowRecord* control = Find(child); control && control->state.id == id) return child;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  WindowRecord* window = Find(hwnd);
  return window ? window->state.id : 0;
}

HWND GetParent(HWND hwnd) {
  WindowRecord* window = Find(hwnd);
  return window ? window->state.parent : nullptr;
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
  return static_cast<BOOL>(SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int max_count) {
  if (max_count <= 0) return 0;
  return static_cast<int>(SendMessageW(hwnd, WM_GETTEXT, static_cast<WPARAM>(max_count),
                                       reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND hwnd) {
  return static_cast<int>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetWindowPos(HWND hwnd, HWND /*insert_after: one top-level window, nothing to reorder*/, int x,
                  int y, int cx, int cy, UINT /*flags*/) {
  WindowRecord* window = Find(hwnd);
  if (window == nullptr) return FALSE;
  window->state.placement = {x, y, cx, cy};
  Front().PlacementChanged(window->state);
  return TRUE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  WindowRecord* window = Find(hwnd);
  if (window == nullptr) return FALSE;
  const bool was_disabled = !window->state.enabled;
  if (window->state.enabled != (enable != FALSE)) {
    window->state.enabled = enable != FALSE;
    Front().EnabledChanged(window->state);
  }
  return was_disabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  WindowRecord* window = Find(hwnd);
  return window != nullptr && window->state.enabled ? TRUE : FALSE;
}
