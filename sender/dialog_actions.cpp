#include "sender/dialog_actions.h"

#include "platform/ports/window_model.h"
#include "platform/terminal/code_page.h"
#include "platform/terminal/window.h"
#include "sender/overloaded.h"

namespace sender {

namespace {

using platform::ControlKind;
using platform::WindowState;

enum class Input { Click, Typing, Selecting };

// The dialog's control `id`, or why a person could not give it this input.
struct Target {
  HWND hwnd = nullptr;
  std::optional<std::string> refusal;
};

Target FindTarget(HWND dialog, std::int64_t id, Input input) {
  const HWND control = GetDlgItem(dialog, static_cast<int>(id));
  const WindowState* state = platform::FindWindowState(control);
  const std::string name = "control " + std::to_string(id);
  if (state == nullptr) return {nullptr, "no " + name + " in the dialog"};
  if (input == Input::Click) {
    if (state->kind != ControlKind::PushButton && state->kind != ControlKind::AutoRadioButton) {
      return {nullptr, name + " is not a button"};
    }
  } else if (state->kind != ControlKind::Edit) {
    return {nullptr, name + " is not an edit control"};
  }
  if (input == Input::Typing && (state->style & ES_READONLY) != 0) {
    return {nullptr, name + " is read-only"};
  }
  if (!state->enabled) return {nullptr, name + " is disabled"};
  return {control, std::nullopt};
}

Reply Click(HWND dialog, const CommandRequest& command) {
  if (GetDlgItem(dialog, static_cast<int>(command.id)) == nullptr) {
    // No control carries the id: the command reaches the dialog as a click would have sent it.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command.id), BN_CLICKED), 0);
    return Reply::Done();
  }
  const Target target = FindTarget(dialog, command.id, Input::Click);
  if (target.refusal) return Reply::Failed(*target.refusal);
  SendMessageW(target.hwnd, BM_CLICK, 0, 0);
  return Reply::Done();
}

Reply SendToDialog(HWND dialog, const MessageRequest& message) {
  // WPARAM carries the 32-bit pattern, LPARAM the signed value, as on the 32-bit terminal.
  const auto wparam = static_cast<WPARAM>(static_cast<std::uint32_t>(message.wparam));
  const auto lparam = static_cast<LPARAM>(message.lparam);
  SendMessageW(dialog, static_cast<UINT>(message.number), wparam, lparam);
  return Reply::Done();
}

Reply Type(HWND dialog, const TextRequest& text) {
  const Target target = FindTarget(dialog, text.id, Input::Typing);
  if (target.refusal) return Reply::Failed(*target.refusal);
  const std::wstring wide = platform::FromUtf8(text.text).value_or(L"");
  SendMessageW(target.hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  return Reply::Done();
}

Reply Select(HWND dialog, const SelectRequest& select) {
  const Target target = FindTarget(dialog, select.id, Input::Selecting);
  if (target.refusal) return Reply::Failed(*target.refusal);
  // Sign-extended, so that -1 keeps EM_SETSEL's meaning.
  SendMessageW(target.hwnd, EM_SETSEL, static_cast<WPARAM>(static_cast<LPARAM>(select.start)),
               static_cast<LPARAM>(select.end));
  return Reply::Done();
}

Reply Read(HWND dialog, const ReadRequest& read) {
  const HWND window = read.id == 0 ? dialog : GetDlgItem(dialog, static_cast<int>(read.id));
  const WindowState* state = platform::FindWindowState(window);
  if (state == nullptr) {
    return Reply::Failed("no control " + std::to_string(read.id) + " in the dialog");
  }
  return Reply::Text(platform::ToUtf8(state->text));
}

bool IsPersonsInput(const Action& action) {
  return std::holds_alternative<CommandRequest>(action) ||
         std::holds_alternative<TextRequest>(action) ||
         std::holds_alternative<SelectRequest>(action);
}

std::optional<std::string> RefusalOfDialog(HWND dialog, const Action& action) {
  if (platform::FindWindowState(dialog) == nullptr) return kConsoleClosing;
  if (IsPersonsInput(action) && !IsWindowEnabled(dialog)) return kMessageBoxOpen;
  return std::nullopt;
}

}  // namespace

std::optional<std::string> RefusalOf(HWND dialog, const Request& request) {
  if (auto refusal = RefusalOfDialog(dialog, request.action)) return refusal;
  const auto refusal_of_control = [&](std::int64_t id, Input input) {
    return FindTarget(dialog, id, input).refusal;
  };
  return std::visit(
      Overloaded{
          [&](const CommandRequest& command) -> std::optional<std::string> {
            // Without a control the command goes to the dialog as it is.
            if (GetDlgItem(dialog, static_cast<int>(command.id)) == nullptr) return std::nullopt;
            return refusal_of_control(command.id, Input::Click);
          },
          [&](const TextRequest& text) { return refusal_of_control(text.id, Input::Typing); },
          [&](const SelectRequest& select) {
            return refusal_of_control(select.id, Input::Selecting);
          },
          [](const auto&) -> std::optional<std::string> { return std::nullopt; },
      },
      request.action);
}

Reply CarryOut(HWND dialog, const Request& request) {
  if (auto refusal = RefusalOfDialog(dialog, request.action)) return Reply::Failed(*refusal);
  return std::visit(
      Overloaded{
          [&](const CommandRequest& command) { return Click(dialog, command); },
          [&](const MessageRequest& message) { return SendToDialog(dialog, message); },
          [&](const TextRequest& text) { return Type(dialog, text); },
          [&](const SelectRequest& select) { return Select(dialog, select); },
          [&](const ReadRequest& read) { return Read(dialog, read); },
      },
      request.action);
}

}  // namespace sender
