#include "ui/qt/person_input.h"

#include "platform/terminal/window.h"

namespace ui {

namespace {

// Whether a tap on `window` would reach it now: it and every window it lies in are enabled.
bool TakesInput(HWND window) {
  for (HWND hwnd = window; hwnd != nullptr; hwnd = GetParent(hwnd)) {
    if (platform::FindWindowState(hwnd) == nullptr || IsWindowEnabled(hwnd) == FALSE) return false;
  }
  return window != nullptr;
}

void SetSelection(HWND edit, platform::Selection selection) {
  SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(selection.anchor),
               static_cast<LPARAM>(selection.caret));
}

}  // namespace

template <typename Action>
void PersonInput::Deliver(HWND window, Action action) const {
  loop_->Post([window, action = std::move(action)] {
    if (TakesInput(window)) action();
  });
}

void PersonInput::Click(HWND button) const {
  Deliver(button, [button] { SendMessageW(button, BM_CLICK, 0, 0); });
}

void PersonInput::Type(HWND edit, std::wstring text, platform::Selection selection) const {
  Deliver(edit, [edit, text = std::move(text), selection] {
    SetWindowTextW(edit, text.c_str());
    SetSelection(edit, selection);
  });
}

void PersonInput::Select(HWND edit, platform::Selection selection) const {
  Deliver(edit, [edit, selection] { SetSelection(edit, selection); });
}

void PersonInput::CaptionOk(HWND dialog) const {
  Deliver(dialog, [dialog] { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
}

void PersonInput::CaptionClose(HWND dialog) const {
  Deliver(dialog, [dialog] { SendMessageW(dialog, WM_CLOSE, 0, 0); });
}

}  // namespace ui
