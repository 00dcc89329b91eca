#include "platform/ports/person_input.h"

#include "platform/terminal/window_manager.h"

namespace platform {

namespace {

bool IsButton(ControlKind kind) {
  return kind == ControlKind::PushButton || kind == ControlKind::AutoRadioButton;
}

// Whether the input is for this kind of window at all.
InputVerdict KindVerdict(const WindowState& window, const PersonAction& action) {
  if (std::holds_alternative<Tap>(action)) {
    return IsButton(window.kind) ? InputVerdict::Taken : InputVerdict::NotAButton;
  }
  if (std::holds_alternative<Typing>(action) || std::holds_alternative<Selecting>(action)) {
    return window.kind == ControlKind::Edit ? InputVerdict::Taken : InputVerdict::NotAnEdit;
  }
  return window.kind == ControlKind::Dialog ? InputVerdict::Taken : InputVerdict::NotADialog;
}

// Whether the dialog `window` lies in (or is) takes input: it and every window around it live
// and enabled.
InputVerdict DialogVerdict(const WindowState& window) {
  const HWND first = window.kind == ControlKind::Dialog ? window.hwnd : window.parent;
  for (HWND around = first; around != nullptr; around = GetParent(around)) {
    const WindowState* state = FindWindowState(around);
    if (state == nullptr) return InputVerdict::WindowGone;
    if (!state->enabled) return InputVerdict::DialogDisabled;
  }
  return InputVerdict::Taken;
}

void CarryOut(HWND hwnd, const PersonAction& action) {
  if (std::holds_alternative<Tap>(action)) {
    SendMessageW(hwnd, BM_CLICK, 0, 0);
  } else if (const auto* command = std::get_if<Command>(&action)) {
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(command->id, BN_CLICKED), 0);
  } else if (std::holds_alternative<Close>(action)) {
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
  } else if (const auto* typing = std::get_if<Typing>(&action)) {
    SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typing->text.c_str()));
    if (const auto& selection = typing->selection) {
      SendMessageW(hwnd, EM_SETSEL, static_cast<WPARAM>(selection->anchor),
                   static_cast<LPARAM>(selection->caret));
    }
  } else if (const auto* selecting = std::get_if<Selecting>(&action)) {
    SendMessageW(hwnd, EM_SETSEL, static_cast<WPARAM>(selecting->anchor),
                 static_cast<LPARAM>(selecting->caret));
  }
}

}  // namespace

InputVerdict JudgePersonInput(HWND hwnd, const PersonAction& action) {
  auto& manager = WindowManager::Instance();
  const WindowRecord* record = manager.Find(hwnd);
  if (record == nullptr) return InputVerdict::WindowGone;
  const WindowState& window = record->state;
  if (manager.MessageBoxOpenOn(*record->loop_core)) return InputVerdict::MessageBoxOpen;
  if (const InputVerdict dialog = DialogVerdict(window); dialog != InputVerdict::Taken) {
    return dialog;
  }
  if (const InputVerdict kind = KindVerdict(window, action); kind != InputVerdict::Taken) {
    return kind;
  }
  if (std::holds_alternative<Typing>(action) && (window.style & ES_READONLY) != 0) {
    return InputVerdict::ReadOnly;
  }
  return window.enabled ? InputVerdict::Taken : InputVerdict::Disabled;
}

InputVerdict JudgePersonInput(HWND dialog, int control_id, const PersonAction& action) {
  // The dialog is asked first as the target of a plain command, for its own refusals only.
  const InputVerdict dialog_verdict = JudgePersonInput(dialog, Command{});
  if (dialog_verdict != InputVerdict::Taken) return dialog_verdict;
  const HWND control = GetDlgItem(dialog, control_id);
  if (control == nullptr) return InputVerdict::NoSuchControl;
  return JudgePersonInput(control, action);
}

InputVerdict TakePersonInput(HWND window, const PersonAction& action) {
  const InputVerdict verdict = JudgePersonInput(window, action);
  if (verdict == InputVerdict::Taken) CarryOut(window, action);
  return verdict;
}

InputVerdict TakePersonInput(HWND dialog, int control_id, const PersonAction& action) {
  const InputVerdict verdict = JudgePersonInput(dialog, control_id, action);
  if (verdict == InputVerdict::Taken) CarryOut(GetDlgItem(dialog, control_id), action);
  return verdict;
}

std::string RefusalText(InputVerdict verdict, int control_id) {
  const std::string control = "control " + std::to_string(control_id);
  switch (verdict) {
    case InputVerdict::Taken:
      return {};
    case InputVerdict::WindowGone:
      return "the window is gone";
    case InputVerdict::MessageBoxOpen:
      return kMessageBoxOpen;
    case InputVerdict::DialogDisabled:
      return "the dialog is disabled";
    case InputVerdict::NoSuchControl:
      return "no " + control + " in the dialog";
    case InputVerdict::NotAButton:
      return control + " is not a button";
    case InputVerdict::NotAnEdit:
      return control + " is not an edit control";
    case InputVerdict::NotADialog:
      return control + " is not a dialog";
    case InputVerdict::ReadOnly:
      return control + " is read-only";
    case InputVerdict::Disabled:
      return control + " is disabled";
  }
  return {};
}

}  // namespace platform
