// What a person may do to the dialog, decided and carried out in one place: a tap on the screen
// and an outside sender's request both come here, so the two cannot come to disagree. A person
// reaches only what a finger on the terminal would: a live window whose dialog takes input (no
// message box open, not disabled), a control of the kind the input is for that is itself
// enabled, and for typing an edit control that is not read-only. Messages a program sends to the
// dialog are no person's input and do not come here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "platform/ports/window_model.h"
#include "platform/terminal/win_types.h"

namespace platform {

// A tap on a push button or an automatic radio button.
struct Tap {};
// A command the dialog hears with no control behind it; the caption bar's OK is IDOK.
struct Command {
  WORD id = 0;
};
// The caption bar's close button.
struct Close {};
// An edit control's whole new text, then the caret or selection the typing left behind; without
// one the caret stands at the start of the text, as after any new text.
struct Typing {
  std::wstring text;
  std::optional<Selection> selection;
};
// A caret move or a selection in an edit control, as EM_SETSEL takes it: -1 as the anchor keeps
// the caret and drops the selection, -1 as the caret is the end of the text, positions past the
// end are clamped.
struct Selecting {
  std::intptr_t anchor = 0;
  std::intptr_t caret = 0;
};

using PersonAction = std::variant<Tap, Command, Close, Typing, Selecting>;

enum class InputVerdict {
  Taken,
  WindowGone,      // no window behind the handle, or one of another thread
  MessageBoxOpen,  // on the window's thread
  DialogDisabled,  // the dialog the window lies in, or the dialog itself
  NoSuchControl,
  NotAButton,
  NotAnEdit,
  NotADialog,
  ReadOnly,
  Disabled,  // the control itself
};

inline constexpr char kMessageBoxOpen[] = "a message box is open";

// On the window's own thread: whether a person may do `action` to `window` now, and if so does
// it; the window's procedure has run when this returns.
InputVerdict TakePersonInput(HWND window, const PersonAction& action);
// The same for the control `control_id` of `dialog`. A dialog that takes no input refuses before
// it is asked for the control.
InputVerdict TakePersonInput(HWND dialog, int control_id, const PersonAction& action);

// The verdicts alone, for input that is to be carried out later: nothing is done.
InputVerdict JudgePersonInput(HWND hwnd, const PersonAction& action);
InputVerdict JudgePersonInput(HWND dialog, int control_id, const PersonAction& action);

// What a sender is told of a refusal of input for control `control_id`; empty for Taken.
std::string RefusalText(InputVerdict verdict, int control_id);

}  // namespace platform
