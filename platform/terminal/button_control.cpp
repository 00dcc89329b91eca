// Push buttons and automatic radio buttons. A click on an automatic radio button checks it and
// clears every other automatic radio button of its group before the parent hears of the click; a
// group runs from a control with WS_GROUP to the next one, so a dialog without WS_GROUP anywhere
// has a single group.
#include <algorithm>

#include "platform/terminal/window_manager.h"

namespace platform {

namespace {

void SetCheck(WindowRecord& button, bool checked) {
  if (button.state.checked == checked) return;
  button.state.checked = checked;
  WindowManager::Instance().front_end().CheckChanged(button.state);
}

// The siblings that share the button's radio group, the button included.
std::vector<WindowRecord*> RadioGroupOf(WindowRecord& button) {
  auto& manager = WindowManager::Instance();
  WindowRecord* parent = manager.Find(button.state.parent);
  if (parent == nullptr) return {&button};
  const auto& siblings = parent->state.children;
  const auto self = std::find(siblings.begin(), siblings.end(), button.state.hwnd);
  auto first = self;
  while (first != siblings.begin()) {
    WindowRecord* control = manager.Find(*first);
    if (control && (control->state.style & WS_GROUP)) break;
    --first;
  }
  std::vector<WindowRecord*> group;
  for (auto it = first; it != siblings.end(); ++it) {
    WindowRecord* control = manager.Find(*it);
    if (control == nullptr) continue;
    if (it != first && (control->state.style & WS_GROUP)) break;
    group.push_back(control);
  }
  return group;
}

void Click(WindowRecord& button) {
  if (!button.state.enabled || !IsWindowEnabled(button.state.parent)) return;
  if (button.state.kind == ControlKind::AutoRadioButton) {
    for (WindowRecord* control : RadioGroupOf(button)) {
      if (control->state.kind == ControlKind::AutoRadioButton)
        SetCheck(*control, control == &button);
    }
  }
  const HWND hwnd = button.state.hwnd;
  SendMessageW(button.state.parent, WM_COMMAND,
               MAKEWPARAM(static_cast<WORD>(button.state.id), BN_CLICKED),
               reinterpret_cast<LPARAM>(hwnd));
}

}  // namespace

LRESULT ButtonProc(WindowRecord& button, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case BM_CLICK:
      Click(button);
      return 0;
    case BM_GETCHECK:
      return static_cast<LRESULT>(button.state.checked ? BST_CHECKED : BST_UNCHECKED);
    case BM_SETCHECK:
      SetCheck(button, wParam == BST_CHECKED);
      return 0;
    default:
      return DefWindowProcW(button.state.hwnd, message, wParam, lParam);
  }
}

}  // namespace platform
